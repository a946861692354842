#include "iis_config.h"

#include <algorithm>

#include "iis_standin/model/vocabulary.h"

namespace iis_standin {

ConfigNode* ConfigNode::FindChild(std::wstring_view childName) const {
  for (const auto& child : children) {
    if (IisNamesEqual(child->name, childName)) return child.get();
  }
  return nullptr;
}

const Variant* ConfigNode::FindProperty(std::wstring_view propertyName) const {
  for (const auto& [name, value] : properties) {
    if (IisNamesEqual(name, propertyName)) return &value;
  }
  return nullptr;
}

void ConfigNode::SetProperty(std::wstring_view propertyName, Variant value) {
  for (auto& [name, held] : properties) {
    if (IisNamesEqual(name, propertyName)) {
      held = std::move(value);
      return;
    }
  }
  properties.emplace_back(std::wstring(propertyName), std::move(value));
}

ConfigNode& ConfigNode::AddChild(std::wstring childName, std::wstring childKeyType) {
  auto child = std::make_unique<ConfigNode>();
  child->name = std::move(childName);
  child->keyType = std::move(childKeyType);
  children.push_back(std::move(child));
  return *children.back();
}

bool ConfigNode::RemoveChild(std::wstring_view childName) {
  const auto found =
      std::ranges::find_if(children, [&](const auto& child) { return IisNamesEqual(child->name, childName); });
  if (found == children.end()) return false;
  children.erase(found);
  return true;
}

ConfigPath SplitConfigPath(std::wstring_view path) {
  ConfigPath segments;
  if (path.empty()) return segments;
  for (;;) {
    const auto slash = path.find(L'/');
    segments.emplace_back(path.substr(0, slash));
    if (slash == std::wstring_view::npos) return segments;
    path.remove_prefix(slash + 1);
  }
}

std::wstring JoinConfigPath(const ConfigPath& path) {
  std::wstring text;
  for (const auto& segment : path) text += (text.empty() ? L"" : L"/") + segment;
  return text;
}

ConfigNode* IisConfig::Find(const ConfigPath& path) const {
  const ConfigNode* node = &machine;
  for (const auto& segment : path) {
    node = node->FindChild(segment);
    if (node == nullptr) return nullptr;
  }
  return const_cast<ConfigNode*>(node);
}

ConfigNode& IisConfig::Add(std::wstring_view path, std::wstring keyType) {
  ConfigPath segments = SplitConfigPath(path);
  if (segments.empty() || std::ranges::any_of(segments, [](const auto& s) { return s.empty(); })) {
    throw AutomationError(hr::kInvalidName, L"Create", L"Invalid key path \"" + std::wstring(path) + L"\"");
  }
  std::wstring name = std::move(segments.back());
  segments.pop_back();
  ConfigNode* parent = Find(segments);
  if (parent == nullptr) {
    throw AutomationError(hr::kPathNotFound, L"Create",
                          L"The parent of \"" + std::wstring(path) + L"\" does not exist");
  }
  if (parent->FindChild(name) != nullptr) {
    throw AutomationError(hr::kAlreadyExists, L"Create", L"\"" + std::wstring(path) + L"\" already exists");
  }
  return parent->AddChild(std::move(name), std::move(keyType));
}

std::vector<Variant> DefaultHttpErrors() {
  constexpr std::wstring_view kFile = L"FILE,";
  std::vector<Variant> list;
  for (const std::wstring_view entry :
       {L"400,*,FILE,400.htm",     L"401,1,FILE,401-1.htm",   L"401,2,FILE,401-2.htm",
        L"401,3,FILE,401-3.htm",   L"401,4,FILE,401-4.htm",   L"401,5,FILE,401-5.htm",
        L"403,1,FILE,403-1.htm",   L"403,2,FILE,403-2.htm",   L"403,3,FILE,403-3.htm",
        L"403,4,FILE,403-4.htm",   L"403,5,FILE,403-5.htm",   L"403,6,FILE,403-6.htm",
        L"403,7,FILE,403-7.htm",   L"403,8,FILE,403-8.htm",   L"403,9,FILE,403-9.htm",
        L"403,10,FILE,403-10.htm", L"403,11,FILE,403-11.htm", L"403,12,FILE,403-12.htm",
        L"403,13,FILE,403-13.htm", L"403,15,FILE,403-15.htm", L"403,16,FILE,403-16.htm",
        L"403,17,FILE,403-17.htm", L"403,18,FILE,403.htm",    L"403,19,FILE,403.htm",
        L"403,20,FILE,403-20.htm", L"404,*,FILE,404b.htm",    L"405,*,FILE,405.htm",
        L"406,*,FILE,406.htm",     L"407,*,FILE,407.htm",     L"412,*,FILE,412.htm",
        L"414,*,FILE,414.htm",     L"415,*,FILE,415.htm",     L"500,12,FILE,500-12.htm",
        L"500,13,FILE,500-13.htm", L"500,15,FILE,500-15.htm", L"500,100,URL,/iisHelp/common/500-100.asp",
        L"501,*,FILE,501.htm",     L"502,*,FILE,502.htm"}) {
    // File entries name a page in IIS's help folder.
    std::wstring text(entry);
    if (const auto file = text.find(kFile); file != std::wstring::npos) {
      text.insert(file + kFile.size(), L"C:\\WINDOWS\\help\\iisHelp\\common\\");
    }
    list.push_back(Variant(std::move(text)));
  }
  return list;
}

IisConfig DefaultIisConfig() {
  IisConfig config;
  ConfigNode& service = config.Add(L"W3SVC", L"IIsWebService");
  service.SetProperty(L"AuthFlags", std::int16_t{5});
  service.SetProperty(L"DefaultDoc", L"Default.htm,Default.asp,index.htm,iisstart.htm");
  service.SetProperty(L"AspAllowSessionState", true);
  config.Add(L"W3SVC/AppPools", L"IIsApplicationPools");
  config.Add(L"W3SVC/AppPools/DefaultAppPool", L"IIsApplicationPool");
  config.Add(L"W3SVC/Filters", L"IIsFilters");
  config.Add(L"W3SVC/Info", L"IIsWebInfo");
  ConfigNode& site = config.Add(L"W3SVC/1", L"IIsWebServer");
  site.SetProperty(L"ServerComment", L"Default Web Site");
  site.SetProperty(L"ServerBindings", std::vector<Variant>{L":80:"});
  config.Add(L"W3SVC/1/Filters", L"IIsFilters");
  ConfigNode& root = config.Add(L"W3SVC/1/ROOT", L"IIsWebVirtualDir");
  root.SetProperty(L"Path", L"C:\\Inetpub\\wwwroot");
  root.SetProperty(L"AppRoot", L"/LM/W3SVC/1/ROOT");
  root.SetProperty(L"AppIsolated", std::int16_t{2});
  root.SetProperty(L"AppFriendlyName", L"Default Application");
  return config;
}

}  // namespace iis_standin
