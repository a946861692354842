#include "recording_objects.h"

#include <cstdio>

namespace vardock::testing {

namespace {

std::wstring Hex(std::uint32_t code) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(code));
  return text;
}

// Runs the inner call; a failure is noted on the line before it propagates.
template <typename Call>
auto Logged(CallLog& log, std::wstring line, Call&& call) {
  log.push_back(line);
  const std::size_t index = log.size() - 1;
  try {
    return call();
  } catch (const corvanel::AppError& error) {
    log[index] += L" -> " + Hex(error.Code());
    throw;
  }
}

class RecordingObject final : public AutomationObject {
 public:
  RecordingObject(ObjectRef inner, std::wstring label, CallLog& log)
      : inner_(std::move(inner)), label_(std::move(label)), log_(log) {}

  Variant GetProperty(std::wstring_view name) override {
    return Wrap(Logged(log_, L"get " + label_ + L"." + std::wstring(name), [&] { return inner_->GetProperty(name); }),
                label_ + L"." + std::wstring(name));
  }
  Variant GetIndexed(std::wstring_view name, std::span<const Variant> args) override {
    const std::wstring label = label_ + L"." + std::wstring(name) + L"(" + Listed(args) + L")";
    return Wrap(Logged(log_, L"get " + label, [&] { return inner_->GetIndexed(name, Unwrapped(args)); }), label);
  }
  void PutProperty(std::wstring_view name, const Variant& value) override {
    Logged(log_, L"put " + label_ + L"." + std::wstring(name) + L" = " + Typed(value),
           [&] { inner_->PutProperty(name, Unwrapped(value)); });
  }
  Variant CallMethod(std::wstring_view name, std::span<const Variant> args) override {
    const std::wstring line = L"call " + label_ + L"." + std::wstring(name) + L"(" + Listed(args) + L")";
    std::wstring childLabel = label_ + L"." + std::wstring(name);
    for (const Variant& arg : args) {
      if (arg.kind() == Variant::Kind::Text) childLabel = arg.AsText();
    }
    return Wrap(Logged(log_, line, [&] { return inner_->CallMethod(name, Unwrapped(args)); }), childLabel);
  }
  std::vector<Variant> Children() override {
    std::vector<Variant> children = Logged(log_, L"each " + label_, [&] { return inner_->Children(); });
    for (std::size_t i = 0; i < children.size(); ++i) {
      children[i] = Wrap(children[i], label_ + L"[" + std::to_wstring(i) + L"]");
    }
    return children;
  }

 private:
  // The inner objects see their own objects as arguments, never a recording wrapper.
  static Variant Unwrapped(const Variant& value) {
    if (value.kind() != Variant::Kind::Object) return value;
    const auto* recording = dynamic_cast<const RecordingObject*>(value.AsObjectOrNothing().get());
    return recording != nullptr ? Variant(recording->inner_) : value;
  }
  static std::vector<Variant> Unwrapped(std::span<const Variant> args) {
    std::vector<Variant> inner;
    for (const Variant& arg : args) inner.push_back(Unwrapped(arg));
    return inner;
  }
  static std::wstring Listed(std::span<const Variant> args) {
    std::wstring text;
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? L", " : L"") + Typed(args[i]);
    return text;
  }
  Variant Wrap(const Variant& value, std::wstring label) {
    if (value.kind() != Variant::Kind::Object || !value.AsObjectOrNothing()) return value;
    return ObjectRef(std::make_shared<RecordingObject>(value.AsObject(), std::move(label), log_));
  }

  ObjectRef inner_;
  std::wstring label_;
  CallLog& log_;
};

}  // namespace

std::wstring Typed(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
      return L"EMPTY";
    case Variant::Kind::Int16:
      return L"I2 " + value.ToText();
    case Variant::Kind::Int32:
      return L"I4 " + value.ToText();
    case Variant::Kind::UInt32:
      return L"UI4 " + value.ToText();
    case Variant::Kind::Bool:
      return L"BOOL " + value.ToText();
    case Variant::Kind::Text:
      return L"BSTR \"" + value.AsText() + L"\"";
    case Variant::Kind::Object:
      return L"DISPATCH";
    case Variant::Kind::Array: {
      std::wstring text = L"ARRAY(";
      const auto& items = value.AsArray();
      for (std::size_t i = 0; i < items.size(); ++i) text += (i ? L", " : L"") + Typed(items[i]);
      return text + L")";
    }
  }
  return L"?";
}

ObjectRef RecordingFactory::Create(std::wstring_view progId) {
  ObjectRef object = Logged(log_, L"create " + std::wstring(progId), [&] { return inner_.Create(progId); });
  return std::make_shared<RecordingObject>(std::move(object), std::wstring(progId), log_);
}

}  // namespace vardock::testing
