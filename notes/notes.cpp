// notes.dll: NotesSendMail, which prepares a memo in Lotus Notes through OLE
// automation (late-bound calls by dispatch number), attaches one file, saves the memo
// as a draft and opens it for editing with the cursor in SendTo. It never sends mail.
// With flags bit 0 it keeps the log "QuillnoxLog.txt" beside the Notes program.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "notes/notes_rules.h"
#include "platform/registry.h"

extern "C" __declspec(dllexport) int __cdecl NotesSendMail(const char* subject, const char* body,
                                                           const char* attachment, unsigned int flags);

namespace {

constexpr std::size_t kPathSize = 260;

// The logging switch of the current call and the log file's path.
int g_log_on = 0;
char g_log_path[kPathSize] = "";

void LogLine(const std::string& text) {
  if (!g_log_on || g_log_path[0] == '\0') return;
  HANDLE file = CreateFileA(g_log_path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // a line that cannot be written is dropped
  SetFilePointer(file, 0, nullptr, FILE_END);
  const std::string line = text + "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// A text value of at most max_bytes bytes (with its terminator) into out.
int ReadText(const char* key_path, const char* name, char* out, std::uint32_t max_bytes) {
  out[0] = '\0';
  RegistryKey key = RegistryOpen(RegistryRoot::LocalMachine, key_path, RegistryAccess::Read);
  if (!key) return 0;
  return RegistryReadText(key, name, out, max_bytes);
}

// The Notes program path by the Lotus key ("Path" + "Name").
int ProgramPathFromLotusKey(char* out) {
  char key_path[kPathSize];
  if (!ReadText("Software\\Lotus\\Components\\TeamMail", "KeyPath", key_path, kPathSize - 1)) {
    RegistryKey notes = RegistryOpen(RegistryRoot::LocalMachine, "Software\\Lotus\\Notes", RegistryAccess::Read);
    if (!notes) return 0;
    char version[7];  // the name must fit in 6 characters
    if (RegistryEnumKey(notes, 0, version, sizeof version) != REGISTRY_OK) return 0;
    std::snprintf(key_path, sizeof key_path, "Software\\Lotus\\Notes\\%s", version);
  }
  char folder[kPathSize], name[100];
  if (!ReadText(key_path, "Path", folder, kPathSize - 1)) return 0;
  if (!ReadText(key_path, "Name", name, sizeof name)) return 0;
  return NotesComposeProgramPath(folder, name, out, kPathSize);
}

// The Notes program path (empty when neither way finds it; the second way's failure
// is logged).
void NotesProgramPath(char* out) {
  out[0] = '\0';
  if (ProgramPathFromLotusKey(out)) return;
  RegistryKey key = RegistryOpen(RegistryRoot::LocalMachine,
                                 "Software\\Clients\\Mail\\Lotus Notes\\Protocols\\mailto\\Shell\\Open\\Command",
                                 RegistryAccess::Read);
  if (!key) {
    LogLine(NOTES_LOG_NO_MAILTO_KEY);
    return;
  }
  char command[kPathSize];
  if (!RegistryReadText(key, nullptr, command, sizeof command) || command[0] == '\0') {
    LogLine(NOTES_LOG_NO_EXE_PATH);
    return;
  }
  NotesMailtoProgramPath(command, out, kPathSize);
}

void LogCreate() {
  char program[kPathSize];
  NotesProgramPath(program);
  const std::string path = NotesLogPath(program);
  std::snprintf(g_log_path, sizeof g_log_path, "%s", path.c_str());
  if (path.size() >= sizeof g_log_path) return;
  SYSTEMTIME now;
  GetSystemTime(&now);
  const std::string header = NotesLogHeader(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  HANDLE file = CreateFileA(g_log_path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
  CloseHandle(file);
}

// ---- automation helpers -------------------------------------------------------------

struct DispatchRelease {
  void operator()(IDispatch* object) const { object->Release(); }
};
using Dispatch = std::unique_ptr<IDispatch, DispatchRelease>;

// A VARIANT that clears itself.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// A text argument or result: ANSI <-> BSTR.
BSTR ToBstr(const char* text) {
  if (text == nullptr) text = "";
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, length > 0 ? static_cast<UINT>(length - 1) : 0);
  if (result != nullptr && length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, result, length);
  return result;
}

std::string FromBstr(BSTR text) {
  if (text == nullptr) return {};
  const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), length, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(length - 1));
  return result;
}

void SetText(Variant& arg, const char* text) {
  VariantClear(&arg.v);
  arg.v.vt = VT_BSTR;
  arg.v.bstrVal = ToBstr(text);
}

void SetShort(Variant& arg, short value) {
  VariantClear(&arg.v);
  arg.v.vt = VT_I2;
  arg.v.iVal = value;
}

// What a failed call reported.
struct CallError {
  HRESULT hr = S_OK;
  EXCEPINFO info{};
  ~CallError() { Clear(); }
  void Clear() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
  }
};

// One late-bound call: args in the order the call lists them (the dispatch interface
// takes them last to first). result may be nullptr.
HRESULT Invoke(IDispatch* object, DISPID id, WORD kind, Variant* const* args, unsigned count, Variant* result,
               CallError* error = nullptr) {
  VARIANTARG reversed[6];
  if (count > 6) return E_INVALIDARG;
  for (unsigned i = 0; i < count; ++i) reversed[count - 1 - i] = args[i]->v;  // shallow copies
  DISPPARAMS params{count ? reversed : nullptr, nullptr, count, 0};
  CallError local;
  CallError* err = error ? error : &local;
  err->Clear();
  UINT bad_arg = 0;
  if (result != nullptr) VariantClear(&result->v);
  err->hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result ? &result->v : nullptr,
                           &err->info, &bad_arg);
  if (err->hr == DISP_E_EXCEPTION && err->info.pfnDeferredFillIn != nullptr) err->info.pfnDeferredFillIn(&err->info);
  return err->hr;
}

HRESULT Method(IDispatch* object, DISPID id, std::initializer_list<Variant*> args, Variant* result = nullptr,
               CallError* error = nullptr) {
  return Invoke(object, id, DISPATCH_METHOD, args.begin(), static_cast<unsigned>(args.size()), result, error);
}

HRESULT Property(IDispatch* object, DISPID id, Variant* result) {
  return Invoke(object, id, DISPATCH_PROPERTYGET, nullptr, 0, result);
}

// A text property; false when the call failed or the value is not a text.
bool TextProperty(IDispatch* object, DISPID id, std::string* text) {
  Variant value;
  if (FAILED(Property(object, id, &value))) return false;
  if (value.v.vt != VT_BSTR && VariantChangeType(&value.v, &value.v, 0, VT_BSTR) != S_OK) return false;
  *text = FromBstr(value.v.bstrVal);
  return true;
}

// The object a call returned (owned by the variant); nullptr when there is none.
IDispatch* ObjectOf(const Variant& value) {
  if (value.v.vt == VT_DISPATCH) return value.v.pdispVal;
  if (value.v.vt == (VT_DISPATCH | VT_BYREF) && value.v.ppdispVal) return *value.v.ppdispVal;
  return nullptr;
}

// Takes a reference of its own on a returned object.
Dispatch Hold(const Variant& value) {
  IDispatch* object = ObjectOf(value);
  if (object != nullptr) object->AddRef();
  return Dispatch(object);
}

Dispatch Create(const char* class_name) {
  Variant name;
  SetText(name, class_name);
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(name.v.bstrVal, &clsid))) return nullptr;
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object))))
    return nullptr;
  return Dispatch(object);
}

// The log line of a failed step that names it.
std::string ExceptionLine(const char* step, const CallError& error) {
  if (error.hr == DISP_E_EXCEPTION) {
    return NotesExceptionLine(step, error.info.wCode, FromBstr(error.info.bstrDescription).c_str(),
                              FromBstr(error.info.bstrSource).c_str());
  }
  return NotesPlainExceptionLine(step);
}

// Starts the Notes program (it comes forward when it runs already); a failure is only
// logged.
void ShowNotes() {
  char program[kPathSize];
  NotesProgramPath(program);
  const std::string folder = NotesProgramFolder(program);
  const INT_PTR result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", program, nullptr,
                                                                 folder.c_str(), 13));
  if (result <= 32) {
    LogLine(NotesShellErrorLine(static_cast<long>(result)));
    LogLine(NotesShowPathLine(program, folder.c_str()));
  }
}

bool IsTrue(const Variant& value) {
  Variant copy;
  if (VariantChangeType(&copy.v, const_cast<VARIANT*>(&value.v), 0, VT_BOOL) != S_OK) return false;
  return copy.v.boolVal != VARIANT_FALSE;
}

// Steps 6 to 17 with the session open: the result code (the objects are released by
// their holders on the way out).
int PrepareMemo(IDispatch* session, const char* subject, const char* body, const char* attachment,
                unsigned flags) {
  using namespace notes_dispid;
  Dispatch workspace = Create(NOTES_WORKSPACE_CLASS);
  if (!workspace) {
    LogLine(NOTES_LOG_WORKSPACE);
    return NOTES_NO_WORKSPACE;
  }

  // The mail database, with one more OPENMAIL when the first leaves it closed.
  Variant empty1, empty2, result;
  SetText(empty1, "");
  SetText(empty2, "");
  if (FAILED(Method(session, SESSION_GETDATABASE, {&empty1, &empty2}, &result))) {
    LogLine(NOTES_LOG_OPENMAIL);
    return NOTES_NO_MAILDB;
  }
  Dispatch database = Hold(result);
  if (!database) {
    LogLine(NOTES_LOG_OPENMAIL);
    return NOTES_NO_MAILDB;
  }
  bool open = false;
  for (int attempt = 0; attempt < 2 && !open; ++attempt) {
    Method(database.get(), DB_OPENMAIL, {});
    Variant is_open;
    open = SUCCEEDED(Property(database.get(), DB_ISOPEN, &is_open)) && IsTrue(is_open);
  }
  if (!open) {
    LogLine(NOTES_LOG_OPENMAIL);
    return NOTES_NO_MAILDB;
  }

  Variant view_name, view_result;
  SetText(view_name, NOTES_DRAFTS_VIEW);
  if (FAILED(Method(database.get(), DB_GETVIEW, {&view_name}, &view_result)) || !ObjectOf(view_result)) {
    LogLine(NOTES_LOG_DRAFTS);
    return NOTES_NO_DRAFTS;
  }
  Dispatch view = Hold(view_result);

  // The memo. document_variant stays as the call returned it: EDITDOCUMENT takes it.
  Variant document_variant;
  HRESULT hr = Method(database.get(), DB_CREATEDOCUMENT, {}, &document_variant);
  IDispatch* document = ObjectOf(document_variant);
  if (FAILED(hr) || document == nullptr) {
    LogLine(NotesCallFailedLine(DB_CREATEDOCUMENT, static_cast<unsigned long>(hr)));
    return NOTES_CALL_FAILED;
  }
  std::string document_id;
  if (!TextProperty(document, DOC_UNIVERSALID, &document_id)) {
    LogLine(NotesCallFailedLine(DOC_UNIVERSALID, 0));
    return NOTES_CALL_FAILED;
  }

  // The items, in this order; "From" is the user's name, read when its turn comes.
  struct Item {
    const char* name;
    std::string value;
  };
  Item items[3 + 9] = {{"Form", "Memo"}, {"Subject", subject ? subject : ""}, {"From", ""}};
  int item_count = 3;
  for (char letter : NotesSenderTags(flags)) items[item_count++] = {"SenderTag", std::string(1, letter)};
  for (int i = 0; i < item_count; ++i) {
    if (i == 2 && !TextProperty(session, SESSION_USERNAME, &items[i].value)) {
      LogLine(NotesCallFailedLine(SESSION_USERNAME, 0));
      return NOTES_CALL_FAILED;
    }
    Variant name, value, ignored;
    SetText(name, items[i].name);
    SetText(value, items[i].value.c_str());
    hr = Method(document, DOC_REPLACEITEM, {&name, &value}, &ignored);
    if (FAILED(hr)) {
      LogLine(NotesCallFailedLine(DOC_REPLACEITEM, static_cast<unsigned long>(hr)));
      return NOTES_CALL_FAILED;
    }
  }

  {
    Variant body_name, item_result;
    SetText(body_name, "Body");
    hr = Method(document, DOC_CREATERICHTEXT, {&body_name}, &item_result);
    Dispatch body_item = Hold(item_result);
    if (FAILED(hr) || !body_item) {
      LogLine(NotesCallFailedLine(DOC_CREATERICHTEXT, static_cast<unsigned long>(hr)));
      return NOTES_CALL_FAILED;
    }
    Variant text;
    SetText(text, (std::string(body ? body : "") + "\r\n\r\n").c_str());
    hr = Method(body_item.get(), ITEM_APPENDTEXT, {&text});
    if (FAILED(hr)) {
      LogLine(NotesCallFailedLine(ITEM_APPENDTEXT, static_cast<unsigned long>(hr)));
      return NOTES_CALL_FAILED;
    }
    Variant kind, class_name, path, object_name, ignored;
    SetShort(kind, NOTES_EMBED_ATTACHMENT);
    SetText(class_name, "");
    SetText(path, attachment);
    SetText(object_name, "");
    CallError error;
    if (FAILED(Method(body_item.get(), ITEM_EMBEDOBJECT, {&kind, &class_name, &path, &object_name}, &ignored,
                      &error))) {
      LogLine(ExceptionLine("Embeddobject", error));
      return NOTES_EMBED_FAILED;
    }
  }  // the body item is released here

  Variant save_force, save_unread, save_response, saved;
  SetShort(save_force, 1);
  SetShort(save_unread, 0);
  SetShort(save_response, 0);
  hr = Method(document, DOC_SAVE, {&save_force, &save_unread, &save_response}, &saved);
  if (FAILED(hr)) {
    LogLine(NotesCallFailedLine(DOC_SAVE, static_cast<unsigned long>(hr)));
    return NOTES_CALL_FAILED;
  }

  std::string server, file_path;
  if (!TextProperty(database.get(), DB_SERVER, &server)) {
    LogLine(NotesCallFailedLine(DB_SERVER, 0));
    return NOTES_CALL_FAILED;
  }
  if (!TextProperty(database.get(), DB_FILEPATH, &file_path)) {
    LogLine(NotesCallFailedLine(DB_FILEPATH, 0));
    return NOTES_CALL_FAILED;
  }

  {
    Variant a1, a2, a3, a4, a5, a6;
    SetText(a1, server.c_str());
    SetText(a2, file_path.c_str());
    SetText(a3, NOTES_DRAFTS_VIEW);
    SetText(a4, document_id.c_str());
    SetShort(a5, 0);
    SetShort(a6, 1);
    CallError error;
    if (FAILED(Method(workspace.get(), WS_OPENDATABASE, {&a1, &a2, &a3, &a4, &a5, &a6}, nullptr, &error))) {
      LogLine(ExceptionLine("OPENDATABASE", error));
      return NOTES_OPENDB_FAILED;
    }
  }

  ShowNotes();
  Sleep(500);

  Variant edit_mode, no_frame, edited;
  SetShort(edit_mode, 1);
  SetShort(no_frame, 0);
  CallError error;
  if (FAILED(Method(workspace.get(), WS_EDITDOCUMENT, {&edit_mode, &document_variant, &no_frame}, &edited,
                    &error))) {
    LogLine(ExceptionLine("EDITDOCUMENT", error));
    return NOTES_EDIT_FAILED;
  }
  Dispatch editing = Hold(edited);
  if (!editing) {
    LogLine(NotesPlainExceptionLine("EDITDOCUMENT"));
    return NOTES_EDIT_FAILED;
  }
  Variant field;
  SetText(field, "SendTo");
  if (FAILED(Method(editing.get(), UIDOC_GOTOFIELD, {&field}, nullptr, &error))) {
    LogLine(ExceptionLine("EDITDOCUMENT", error));
    return NOTES_EDIT_FAILED;
  }
  return NOTES_OK;
}

}  // namespace

extern "C" __declspec(dllexport) int __cdecl NotesSendMail(const char* subject, const char* body,
                                                           const char* attachment, unsigned int flags) {
  g_log_on = (flags & NOTES_FLAG_LOG) ? 1 : 0;
  g_log_path[0] = '\0';
  if (g_log_on) LogCreate();

  std::FILE* probe = attachment ? std::fopen(attachment, "rb") : nullptr;
  if (probe == nullptr) {
    LogLine(std::string(NOTES_LOG_NO_FILE) + (attachment ? attachment : ""));
    return NOTES_NO_ATTACHMENT;
  }
  std::fclose(probe);

  if (FAILED(CoInitialize(nullptr))) {
    LogLine(NOTES_LOG_COINIT);
    return NOTES_NO_AUTOMATION;
  }
  int result;
  {
    Dispatch session = Create(NOTES_SESSION_CLASS);
    if (!session) {
      result = NOTES_NO_SESSION;
      LogLine(NOTES_LOG_SESSION);
    } else {
      std::string version;
      TextProperty(session.get(), notes_dispid::SESSION_VERSION, &version);
      if (!NotesVersionAcceptable(version.c_str())) {
        result = NOTES_NO_SESSION;
        LogLine(NOTES_LOG_VERSION);
      } else {
        result = PrepareMemo(session.get(), subject, body, attachment, flags);
      }
    }
  }  // every object is released before the automation layer goes
  CoUninitialize();
  if (result == NOTES_OK) LogLine(NOTES_LOG_DONE);
  return result;
}
