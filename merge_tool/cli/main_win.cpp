// incmerge.exe: a console program. A console is given text (WriteConsoleW); redirected to a file
// or pipe, the merged file and the report go out as the files' own bytes and incmerge's own
// messages in the ANSI code page.
#include <windows.h>

#include <algorithm>

#include "common/core/app_error.h"
#include "common/win/win_error.h"
#include "incmerge.h"

namespace {

class HandleStream final : public tessaly::cli::OutStream {
 public:
  HandleStream(DWORD which, const wchar_t* name) : handle_(GetStdHandle(which)), name_(name) {
    DWORD mode = 0;
    console_ = Attached() && GetFileType(handle_) == FILE_TYPE_CHAR && GetConsoleMode(handle_, &mode);
  }

  [[nodiscard]] bool IsConsole() const override { return console_; }
  [[nodiscard]] bool ReaderGone() const override { return readerGone_; }

  void WriteText(std::wstring_view text) override {
    if (!console_) return WriteBytes(Ansi(text));
    while (!text.empty()) {
      // In pieces (old consoles refuse large writes), never splitting a surrogate pair.
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
      if (chunk < text.size() && IS_HIGH_SURROGATE(text[chunk - 1])) --chunk;
      DWORD written = 0;
      if (!WriteConsoleW(handle_, text.data(), chunk, &written, nullptr) || written == 0) Fail();
      text.remove_prefix(written);
    }
  }

  void WriteBytes(std::string_view bytes) override {
    if (!Attached()) return;  // started without this stream: there is nowhere to write
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr)) Fail();
      bytes.remove_prefix(written);
    }
  }

  void WriteMessage(std::wstring_view line) override {
    std::wstring text(line);
    text += L"\r\n";
    WriteText(text);
  }

 private:
  [[nodiscard]] bool Attached() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  [[noreturn]] void Fail() {
    const DWORD error = GetLastError();
    readerGone_ = error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED;
    SetLastError(error);
    corvanel::ThrowLastError(std::wstring(L"Cannot write to ") + name_);
  }

  // Messages only: a character the code page lacks may show as a look-alike or "?".
  static std::string Ansi(std::wstring_view text) {
    if (text.empty()) return {};
    const int inLength = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), inLength, bytes.data(), length, nullptr, nullptr);
    return bytes;
  }

  HANDLE handle_;
  const wchar_t* name_;
  bool console_ = false;
  bool readerGone_ = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + std::min(argc, 1), argv + argc);
  HandleStream out(STD_OUTPUT_HANDLE, L"standard output");
  HandleStream err(STD_ERROR_HANDLE, L"standard error");
  return tessaly::cli::RunIncmerge(args, out, err);
}
