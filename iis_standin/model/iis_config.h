#pragma once
// The in-memory configuration store behind the IIS object model: a tree of keys under the
// machine ("LM"), each with a class (its key type), properties and ordered children, plus the
// ways the store can be told to fail as IIS does. Names compare case-insensitively, as IIS's.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "iis_standin/model/vocabulary.h"

namespace iis_standin {

struct ConfigNode {
  std::wstring name;
  std::wstring keyType;
  std::vector<std::pair<std::wstring, Variant>> properties;  // in the order first set
  std::vector<std::unique_ptr<ConfigNode>> children;         // in enumeration order

  [[nodiscard]] ConfigNode* FindChild(std::wstring_view childName) const;
  [[nodiscard]] const Variant* FindProperty(std::wstring_view propertyName) const;
  void SetProperty(std::wstring_view propertyName, Variant value);
  ConfigNode& AddChild(std::wstring childName, std::wstring childKeyType);
  // False when there is no such child.
  bool RemoveChild(std::wstring_view childName);
};

// The failures IIS can show, for testing every failure path of the callers.
struct IisFailures {
  bool noWebService = false;       // "127.0.0.1/w3svc" is not found
  bool appCreate2Unknown = false;  // older IIS: the member AppCreate2 does not exist
  bool appCreateFails = false;     // AppCreate raises an error
  bool createFails = false;        // Create raises an error
  bool noSystemInfo = false;       // "WinNTSystemInfo" cannot be created
  bool deleteFails = false;        // Delete of an existing key raises an error; the key stays
  // The SetInfo that would store a directory's (IIsWebVirtualDir) "Path" raises an error and
  // stores nothing. That is the last SetInfo of a creation, and the only one when an existing
  // directory is pointed elsewhere; a SetInfo without a new "Path" (the root's after a Delete) works.
  bool setInfoFails = false;
  // The SetInfo that would store a Delete raises an error and stores nothing; the object that was
  // told to delete still answers as if the key were gone.
  bool deletionSetInfoFails = false;
  bool domainNameFails = false;  // reading "DomainName" raises an error
};

using ConfigPath = std::vector<std::wstring>;

// Splits "W3SVC/1/ROOT" at its slashes; empty segments are kept so that a caller can reject them.
ConfigPath SplitConfigPath(std::wstring_view path);
std::wstring JoinConfigPath(const ConfigPath& path);

class IisConfig {
 public:
  ConfigNode machine{L"LM", L"IIsComputer", {}, {}};
  IisFailures failures;
  std::wstring domainName = L"WORKGROUP";
  // Called after every change that IIS would have stored (SetInfo, Delete); may throw, and the
  // member that made the change then fails with that error.
  std::function<void(const IisConfig&)> onChange;

  [[nodiscard]] ConfigNode* Find(const ConfigPath& path) const;
  [[nodiscard]] ConfigNode* Find(std::wstring_view path) const { return Find(SplitConfigPath(path)); }
  // Adds a key below an existing one; throws an AppError when the parent is missing or the name is taken.
  ConfigNode& Add(std::wstring_view path, std::wstring keyType);
  void Changed() const {
    if (onChange) onChange(*this);
  }
};

// Roughly a fresh IIS 6: application pools, filters and service information besides the
// "Default Web Site" (site 1) with its root. HttpErrors is left to the built-in defaults.
IisConfig DefaultIisConfig();
// IIS 6's custom error list: "<status>,<substatus>,<kind>,<target>" texts, one beginning "404,".
// A directory reads it when neither it nor a key above it has a list of its own.
std::vector<Variant> DefaultHttpErrors();

}  // namespace iis_standin
