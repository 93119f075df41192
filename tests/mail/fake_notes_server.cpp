// Test double of the Lotus Notes automation server: an in-process server of the
// classes "Notes.NotesSession" and "Notes.NotesUIWorkspace" (the test registers it)
// whose objects answer the dispatch numbers the Notes library uses.
//
// Every object's birth ("+database#1"), end ("-database#1") and every Invoke
// ("database#1 1046 method(text:"($Drafts)")") is appended to the file named by
// QLX_FAKE_NOTES_LOG. QLX_FAKE_NOTES scripts the answers, "key=value" pairs split by
// ";": version=<text>; open_after=<n> (the database reports itself open after n
// OPENMAIL calls, 0 never; default 1); session=fail; workspace=fail; drafts=missing;
// and embed, opendb, edit or gotofield = raise (a dispatch exception with code,
// description and source) or fail (a plain failure).
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// {5A0C3E1B-7D42-4F0A-9E61-3B8C2D4F5A01} and ...02
const CLSID kSessionClass = {0x5a0c3e1b, 0x7d42, 0x4f0a, {0x9e, 0x61, 0x3b, 0x8c, 0x2d, 0x4f, 0x5a, 0x01}};
const CLSID kWorkspaceClass = {0x5a0c3e1b, 0x7d42, 0x4f0a, {0x9e, 0x61, 0x3b, 0x8c, 0x2d, 0x4f, 0x5a, 0x02}};

LONG g_live = 0;
// Serial numbers per kind of object; they start again when no object is left, so each
// call of the library names its objects from #1.
int g_serials[16];
const char* g_kinds[16];

std::string Env(const char* name) {
  char value[2048];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string Script(const std::string& key) {
  const std::string script = ";" + Env("QLX_FAKE_NOTES") + ";";
  const std::size_t at = script.find(";" + key + "=");
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size() + 2;
  return script.substr(start, script.find(';', start) - start);
}

void Record(const std::string& line) {
  const std::string path = Env("QLX_FAKE_NOTES_LOG");
  if (path.empty()) return;
  if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

std::string Narrow(BSTR text) {
  std::string shown;
  for (UINT i = 0; text != nullptr && i < SysStringLen(text); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r') {
      shown += "\\r";
    } else if (c == L'\n') {
      shown += "\\n";
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[12];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

BSTR Wide(const std::string& text) {
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) result[i] = static_cast<unsigned char>(text[i]);
  return result;
}

class FakeObject;
std::set<FakeObject*> g_objects;

class FakeObject : public IDispatch {
 public:
  explicit FakeObject(const char* kind) : kind_(kind) {
    int slot = 0;
    while (g_kinds[slot] != nullptr && std::string(g_kinds[slot]) != kind) ++slot;
    g_kinds[slot] = kind;
    name_ = kind_ + "#" + std::to_string(++g_serials[slot]);
    g_objects.insert(this);
    InterlockedIncrement(&g_live);
    Record("+" + name_);
  }
  const std::string& name() const { return name_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      Record("-" + name_);
      g_objects.erase(this);
      if (InterlockedDecrement(&g_live) == 0) {
        for (int& serial : g_serials) serial = 0;
      }
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;  // the library calls by number only
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    std::string line = name_ + " " + std::to_string(id) + " " +
                       (kind & DISPATCH_METHOD ? "method" : kind & DISPATCH_PROPERTYGET ? "get" : "other") + "(";
    const UINT count = params ? params->cArgs : 0;
    for (UINT i = 0; i < count; ++i) {  // natural order: the last of rgvarg first
      if (i) line += ",";
      line += Show(params->rgvarg[count - 1 - i]);
    }
    if (params && params->cNamedArgs) line += ";named=" + std::to_string(params->cNamedArgs);
    Record(line + ")");
    if (result) VariantInit(result);
    return Answer(id, result, exception);
  }

 private:
  virtual ~FakeObject() = default;

  static std::string Show(const VARIANT& v) {
    switch (v.vt) {
      case VT_BSTR: return "text:\"" + Narrow(v.bstrVal) + "\"";
      case VT_I2: return "short:" + std::to_string(v.iVal);
      case VT_DISPATCH: {
        auto* object = static_cast<FakeObject*>(v.pdispVal);
        return "object:" + (g_objects.count(object) ? object->name() : std::string("?"));
      }
      case VT_EMPTY: return "empty";
      default: return "vt" + std::to_string(v.vt);
    }
  }

  static void SetText(VARIANT* result, const std::string& text) {
    if (!result) return;
    result->vt = VT_BSTR;
    result->bstrVal = Wide(text);
  }
  static void SetObject(VARIANT* result, const char* kind) {
    if (!result) return;
    result->vt = VT_DISPATCH;
    result->pdispVal = new FakeObject(kind);
  }

  // A scripted failure of a step: a dispatch exception or a plain failure.
  static HRESULT Fail(const std::string& how, unsigned short code, const char* description, const char* source,
                      EXCEPINFO* exception) {
    if (how == "raise" && exception != nullptr) {
      *exception = EXCEPINFO{};
      exception->wCode = code;
      exception->bstrDescription = Wide(description);
      exception->bstrSource = Wide(source);
      return DISP_E_EXCEPTION;
    }
    return E_FAIL;
  }

  HRESULT Answer(DISPID id, VARIANT* result, EXCEPINFO* exception) {
    const std::string& k = kind_;
    if (k == "session" && id == 1200) {
      const std::string version = Script("version");
      SetText(result, version.empty() ? "Release 5.0.8 |June 18, 2001" : version);
    } else if (k == "session" && id == 1201) {
      SetText(result, "CN=Ann Tester/O=Orvanel");
    } else if (k == "session" && id == 1208) {
      SetObject(result, "database");
    } else if (k == "database" && id == 1033) {
      ++openmail_calls_;
    } else if (k == "database" && id == 1009) {
      const std::string after = Script("open_after");
      const int needed = after.empty() ? 1 : std::stoi(after);
      if (result) {
        result->vt = VT_BOOL;
        result->boolVal = needed > 0 && openmail_calls_ >= needed ? VARIANT_TRUE : VARIANT_FALSE;
      }
    } else if (k == "database" && id == 1046) {
      if (Script("drafts") == "missing") {
        if (result) {
          result->vt = VT_DISPATCH;  // Nothing
          result->pdispVal = nullptr;
        }
      } else {
        SetObject(result, "view");
      }
    } else if (k == "database" && id == 1507) {
      SetObject(result, "document");
    } else if (k == "database" && id == 1501) {
      SetText(result, "CN=Mail01/O=Orvanel");
    } else if (k == "database" && id == 1006) {
      SetText(result, "mail\\atester.nsf");
    } else if (k == "document" && id == 1148) {
      SetText(result, "0123456789ABCDEF0123456789ABCDEF");
    } else if (k == "document" && id == 1175) {
      SetObject(result, "item");
    } else if (k == "document" && id == 1189) {
      SetObject(result, "richtext");
    } else if (k == "document" && id == 1172) {
      if (result) {
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
      }
    } else if (k == "richtext" && id == 1359) {
    } else if (k == "richtext" && id == 1361) {
      if (!Script("embed").empty())
        return Fail(Script("embed"), 0x0FA5, "File cannot be read", "NotesRichTextItem", exception);
      SetObject(result, "embedded");
    } else if (k == "workspace" && id == 1535) {
      if (!Script("opendb").empty())
        return Fail(Script("opendb"), 0x0FDC, "Database has not been opened yet", "NotesUIWorkspace", exception);
    } else if (k == "workspace" && id == 1531) {
      if (!Script("edit").empty())
        return Fail(Script("edit"), 0x113C, "Document command is not available", "NotesUIWorkspace", exception);
      SetObject(result, "uidoc");
    } else if (k == "uidoc" && id == 1764) {
      if (!Script("gotofield").empty())
        return Fail(Script("gotofield"), 0x1107, "Cannot locate field", "NotesUIDocument", exception);
    } else {
      return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
  }

  LONG refs_ = 1;
  std::string kind_;
  std::string name_;
  int openmail_calls_ = 0;
};

class Factory : public IClassFactory {
 public:
  explicit Factory(bool session) : session_(session) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }   // static objects
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (Script(session_ ? "session" : "workspace") == "fail") return E_FAIL;
    FakeObject* object = new FakeObject(session_ ? "session" : "workspace");
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  bool session_;
};

Factory g_session_factory(true);
Factory g_workspace_factory(false);

}  // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (IsEqualCLSID(clsid, kSessionClass)) return g_session_factory.QueryInterface(riid, out);
  if (IsEqualCLSID(clsid, kWorkspaceClass)) return g_workspace_factory.QueryInterface(riid, out);
  *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return g_live == 0 ? S_OK : S_FALSE; }
