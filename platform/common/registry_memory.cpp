// The in-memory registry behind platform/registry.h: three trees of keys with typed
// values, answering with the real registry's error codes, plus the test hooks of
// registry_memory.h. Standard C++ only, so every build can use it. One thread touches
// it; nothing is locked.
#include "platform/common/registry_memory.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

namespace {

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
      const int ca = std::toupper(static_cast<unsigned char>(a[i]));
      const int cb = std::toupper(static_cast<unsigned char>(b[i]));
      if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
  }
};

struct Value {
  std::string name;  // as first stored
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

struct Node {
  std::string name;  // as created
  std::map<std::string, std::unique_ptr<Node>, NoCaseLess> subkeys;
  std::map<std::string, Value, NoCaseLess> values;
};

// What a RegistryKey points to: the key is found again by its path at each access, so
// a key deleted meanwhile is noticed instead of being touched.
struct OpenKey {
  RegistryRoot root;
  std::vector<std::string> path;
  bool writable;
};

Node g_roots[3];
std::map<std::string, RegistryFault> g_faults;  // by FaultName
int g_open_keys = 0;

Node& RootNode(RegistryRoot root) { return g_roots[static_cast<int>(root)]; }

const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return "HKLM";
    case RegistryRoot::CurrentUser: return "HKCU";
    case RegistryRoot::ClassesRoot: return "HKCR";
  }
  return "?";
}

// "a\b\\c" -> {"a", "b", "c"}; empty parts are ignored.
std::vector<std::string> SplitPath(const char* path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char* p = path ? path : ""; ; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
      if (*p == '\0') break;
    } else {
      part.push_back(*p);
    }
  }
  return parts;
}

std::string FaultName(RegistryRoot root, const std::vector<std::string>& parts) {
  std::string name = RootName(root);
  for (const std::string& part : parts) {
    name.push_back('\\');
    for (char c : part) name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return name;
}

RegistryFault FaultOf(RegistryRoot root, const std::vector<std::string>& parts) {
  const auto it = g_faults.find(FaultName(root, parts));
  return it == g_faults.end() ? RegistryFault::None : it->second;
}

Node* Find(RegistryRoot root, const std::vector<std::string>& parts) {
  Node* node = &RootNode(root);
  for (const std::string& part : parts) {
    const auto it = node->subkeys.find(part);
    if (it == node->subkeys.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

Node* FindOrMake(RegistryRoot root, const std::vector<std::string>& parts) {
  Node* node = &RootNode(root);
  for (const std::string& part : parts) {
    std::unique_ptr<Node>& child = node->subkeys[part];
    if (!child) {
      child = std::make_unique<Node>();
      child->name = part;
    }
    node = child.get();
  }
  return node;
}

RegistryKey Hand(RegistryRoot root, std::vector<std::string> parts, bool writable) {
  ++g_open_keys;
  return RegistryKey(new OpenKey{root, std::move(parts), writable});
}

void SetError(long* error, long code) {
  if (error) *error = code;
}

const OpenKey* Opened(const RegistryKey& key) { return static_cast<const OpenKey*>(key.get()); }

void StoreValue(Node* node, const char* name, std::uint32_t type, const void* data, std::size_t size) {
  const std::string value_name = name ? name : "";
  Value& value = node->values[value_name];
  if (value.name.empty()) value.name = value_name;
  value.type = type;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  value.data.assign(bytes, bytes + (bytes ? size : 0));
}

void DumpNode(const Node& node, const std::string& path, std::string& out) {
  out += path + "\n";
  for (const auto& [key, value] : node.values) {
    out += "  [" + value.name + "] type " + std::to_string(value.type) + ":";
    for (std::uint8_t b : value.data) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02x", b);
      out += hex;
    }
    out += "\n";
  }
  for (const auto& [key, child] : node.subkeys) DumpNode(*child, path + "\\" + child->name, out);
}

}  // namespace

void RegistryKeyCloser::operator()(void* key) const {
  delete static_cast<OpenKey*>(key);
  --g_open_keys;
}

RegistryKey RegistryOpen(RegistryRoot root, const char* path, RegistryAccess access, long* error) {
  std::vector<std::string> parts = SplitPath(path);
  if (Find(root, parts) == nullptr) {
    SetError(error, REGISTRY_FILE_NOT_FOUND);
    return RegistryKey();
  }
  const RegistryFault fault = FaultOf(root, parts);
  if (fault == RegistryFault::NoAccess || (fault == RegistryFault::ReadOnly && access == RegistryAccess::All)) {
    SetError(error, REGISTRY_ACCESS_DENIED);
    return RegistryKey();
  }
  SetError(error, REGISTRY_OK);
  return Hand(root, std::move(parts), access == RegistryAccess::All);
}

RegistryKey RegistryCreate(RegistryRoot root, const char* path, long* error) {
  std::vector<std::string> parts = SplitPath(path);
  const RegistryFault fault = FaultOf(root, parts);
  if (fault == RegistryFault::NoAccess || fault == RegistryFault::ReadOnly) {
    SetError(error, REGISTRY_ACCESS_DENIED);
    return RegistryKey();
  }
  FindOrMake(root, parts);
  SetError(error, REGISTRY_OK);
  return Hand(root, std::move(parts), true);
}

long RegistryQueryValue(const RegistryKey& key, const char* name, std::uint32_t* type, void* data,
                        std::uint32_t* size) {
  const OpenKey* open = Opened(key);
  if (open == nullptr || size == nullptr) return REGISTRY_INVALID_PARAMETER;
  const Node* node = Find(open->root, open->path);
  if (node == nullptr) return REGISTRY_KEY_DELETED;
  const auto it = node->values.find(name ? name : "");
  if (it == node->values.end()) return REGISTRY_FILE_NOT_FOUND;
  const Value& value = it->second;
  if (type) *type = value.type;
  const std::uint32_t stored = static_cast<std::uint32_t>(value.data.size());
  const std::uint32_t room = *size;
  *size = stored;
  if (data == nullptr) return REGISTRY_OK;
  if (stored > room) return REGISTRY_MORE_DATA;
  if (stored > 0) std::memcpy(data, value.data.data(), stored);
  return REGISTRY_OK;
}

long RegistrySetValue(const RegistryKey& key, const char* name, std::uint32_t type, const void* data,
                      std::uint32_t size) {
  const OpenKey* open = Opened(key);
  if (open == nullptr || (data == nullptr && size > 0)) return REGISTRY_INVALID_PARAMETER;
  Node* node = Find(open->root, open->path);
  if (node == nullptr) return REGISTRY_KEY_DELETED;
  if (!open->writable || FaultOf(open->root, open->path) == RegistryFault::NoWrite)
    return REGISTRY_ACCESS_DENIED;
  StoreValue(node, name, type, data, size);
  return REGISTRY_OK;
}

long RegistryEnumKey(const RegistryKey& key, std::uint32_t index, char* name, std::uint32_t size) {
  const OpenKey* open = Opened(key);
  if (open == nullptr || name == nullptr) return REGISTRY_INVALID_PARAMETER;
  const Node* node = Find(open->root, open->path);
  if (node == nullptr) return REGISTRY_KEY_DELETED;
  if (index >= node->subkeys.size()) return REGISTRY_NO_MORE_ITEMS;
  auto it = node->subkeys.begin();
  std::advance(it, index);
  const std::string& subkey = it->second->name;
  if (subkey.size() + 1 > size) return REGISTRY_MORE_DATA;
  std::memcpy(name, subkey.c_str(), subkey.size() + 1);
  return REGISTRY_OK;
}

long RegistryDeleteKey(const RegistryKey& key, const char* subkey) {
  const OpenKey* open = Opened(key);
  if (open == nullptr) return REGISTRY_INVALID_PARAMETER;
  if (Find(open->root, open->path) == nullptr) return REGISTRY_KEY_DELETED;
  const std::vector<std::string> relative = SplitPath(subkey);
  if (relative.empty()) return REGISTRY_INVALID_PARAMETER;  // a key never deletes itself here
  std::vector<std::string> parts = open->path;
  parts.insert(parts.end(), relative.begin(), relative.end());
  Node* victim = Find(open->root, parts);
  if (victim == nullptr) return REGISTRY_FILE_NOT_FOUND;
  const RegistryFault fault = FaultOf(open->root, parts);
  if (fault == RegistryFault::NoAccess || fault == RegistryFault::ReadOnly) return REGISTRY_ACCESS_DENIED;
  if (!victim->subkeys.empty()) return REGISTRY_ACCESS_DENIED;
  const std::string last = parts.back();
  parts.pop_back();
  Find(open->root, parts)->subkeys.erase(last);
  return REGISTRY_OK;
}

void RegistryMemoryReset() {
  for (Node& root : g_roots) {
    root.subkeys.clear();
    root.values.clear();
  }
  g_faults.clear();
}

void RegistryMemorySetFault(RegistryRoot root, const char* path, RegistryFault fault) {
  const std::string name = FaultName(root, SplitPath(path));
  if (fault == RegistryFault::None)
    g_faults.erase(name);
  else
    g_faults[name] = fault;
}

void RegistryMemoryCreateKey(RegistryRoot root, const char* path) { FindOrMake(root, SplitPath(path)); }

void RegistryMemorySetValue(RegistryRoot root, const char* path, const char* name, std::uint32_t type,
                            const void* data, std::size_t size) {
  StoreValue(FindOrMake(root, SplitPath(path)), name, type, data, size);
}

void RegistryMemorySetText(RegistryRoot root, const char* path, const char* name, const char* text) {
  RegistryMemorySetValue(root, path, name, REGISTRY_SZ, text, std::strlen(text) + 1);
}

bool RegistryMemoryKeyExists(RegistryRoot root, const char* path) {
  return Find(root, SplitPath(path)) != nullptr;
}

bool RegistryMemoryGetValue(RegistryRoot root, const char* path, const char* name, std::uint32_t* type,
                            std::vector<std::uint8_t>* data) {
  const Node* node = Find(root, SplitPath(path));
  if (node == nullptr) return false;
  const auto it = node->values.find(name ? name : "");
  if (it == node->values.end()) return false;
  if (type) *type = it->second.type;
  if (data) *data = it->second.data;
  return true;
}

std::vector<std::string> RegistryMemorySubkeys(RegistryRoot root, const char* path) {
  std::vector<std::string> names;
  if (const Node* node = Find(root, SplitPath(path)))
    for (const auto& [key, child] : node->subkeys) names.push_back(child->name);
  return names;
}

std::vector<std::string> RegistryMemoryValueNames(RegistryRoot root, const char* path) {
  std::vector<std::string> names;
  if (const Node* node = Find(root, SplitPath(path)))
    for (const auto& [key, value] : node->values) names.push_back(value.name);
  return names;
}

std::string RegistryMemoryDump() {
  std::string out;
  for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser, RegistryRoot::ClassesRoot})
    DumpNode(RootNode(root), RootName(root), out);
  return out;
}

int RegistryMemoryOpenKeys() { return g_open_keys; }
