// Test double of "MAPI32.DLL": the twelve Simple MAPI functions. MAPILogon and
// MAPISendMail write what they received, line by line, to the file named by the
// environment variable QLX_FAKE_MAPI_LOG; the others record that they were called.
// QLX_FAKE_MAPI_LOGON holds the result MAPILogon gives (default 0, success), and
// QLX_FAKE_MAPI_SEND the one MAPISendMail gives (default 0; 1 is MAPI_USER_ABORT).
// QLX_FAKE_MAPI_KEEP, a folder ending in "\", receives a copy of each attachment under
// its file name as MAPISendMail sees it (the sender deletes the original afterwards).
// With QLX_FAKE_MAPI_UNLOADABLE set the library refuses to load, as a broken or
// missing Simple MAPI would.
// Built twice: whole, and (QLX_FAKE_MAPI_PARTIAL) without MAPIResolveName.
#include <windows.h>
#include <mapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name) {
  char value[1024];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void Record(const std::string& line) {
  const std::string path = Env("QLX_FAKE_MAPI_LOG");
  if (path.empty()) return;
  if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

// A text as the record shows it: "(null)", or quoted with CR, LF and bytes outside
// ASCII escaped.
std::string Show(const char* text) {
  if (text == nullptr) return "(null)";
  std::string shown = "\"";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    char escaped[8];
    if (*p == '\r') {
      shown += "\\r";
    } else if (*p == '\n') {
      shown += "\\n";
    } else if (*p < 0x20 || *p >= 0x7F || *p == '\\') {
      std::snprintf(escaped, sizeof escaped, "\\x%02x", *p);
      shown += escaped;
    } else {
      shown += static_cast<char>(*p);
    }
  }
  return shown + "\"";
}

std::string Hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

constexpr LHANDLE kSession = 0x5E55;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  return reason == DLL_PROCESS_ATTACH && !Env("QLX_FAKE_MAPI_UNLOADABLE").empty() ? FALSE : TRUE;
}

ULONG WINAPI MAPILogon(ULONG_PTR ui, LPSTR profile, LPSTR password, FLAGS flags, ULONG reserved, LPLHANDLE session) {
  const std::string answer = Env("QLX_FAKE_MAPI_LOGON");
  const ULONG result = answer.empty() ? SUCCESS_SUCCESS : std::strtoul(answer.c_str(), nullptr, 10);
  Record("MAPILogon ui=" + Hex(ui) + " profile=" + Show(profile) + " password=" + Show(password) +
         " flags=" + Hex(flags) + " reserved=" + std::to_string(reserved) + " -> " + std::to_string(result));
  if (session != nullptr && result == SUCCESS_SUCCESS) *session = kSession;
  return result;
}

ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR ui, lpMapiMessage message, FLAGS flags, ULONG reserved) {
  Record("MAPISendMail session=" + Hex(session) + " ui=" + Hex(ui) + " flags=" + Hex(flags) +
         " reserved=" + std::to_string(reserved));
  if (message == nullptr) return MAPI_E_FAILURE;
  Record("subject=" + Show(message->lpszSubject));
  Record("body=" + Show(message->lpszNoteText));
  Record("type=" + Show(message->lpszMessageType) + " date=" + Show(message->lpszDateReceived) +
         " conversation=" + Show(message->lpszConversationID) + " flags=" + Hex(message->flFlags) +
         " reserved=" + std::to_string(message->ulReserved));
  Record("originator=" + std::string(message->lpOriginator ? "set" : "(null)") +
         " recipients=" + std::to_string(message->nRecipCount) +
         (message->lpRecips ? " (list set)" : ""));
  Record("files=" + std::to_string(message->nFileCount));
  for (ULONG i = 0; message->lpFiles != nullptr && i < message->nFileCount; ++i) {
    const MapiFileDesc& file = message->lpFiles[i];
    Record("file path=" + Show(file.lpszPathName) + " name=" + Show(file.lpszFileName) +
           " position=" + Hex(file.nPosition) + " flags=" + Hex(file.flFlags) +
           " reserved=" + std::to_string(file.ulReserved) + " type=" + (file.lpFileType ? "set" : "(null)"));
    const std::string keep = Env("QLX_FAKE_MAPI_KEEP");
    if (!keep.empty() && file.lpszPathName != nullptr && file.lpszFileName != nullptr)
      CopyFileA(file.lpszPathName, (keep + file.lpszFileName).c_str(), FALSE);
  }
  const std::string answer = Env("QLX_FAKE_MAPI_SEND");
  return answer.empty() ? SUCCESS_SUCCESS : std::strtoul(answer.c_str(), nullptr, 10);
}

#define QLX_FAKE_OTHER(name, ...)                       \
  ULONG WINAPI name(__VA_ARGS__) {                      \
    Record(#name " called");                            \
    return MAPI_E_NOT_SUPPORTED;                        \
  }
QLX_FAKE_OTHER(MAPILogoff, LHANDLE, ULONG_PTR, FLAGS, ULONG)
QLX_FAKE_OTHER(MAPISendDocuments, ULONG_PTR, LPSTR, LPSTR, LPSTR, ULONG)
QLX_FAKE_OTHER(MAPIFindNext, LHANDLE, ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPSTR)
QLX_FAKE_OTHER(MAPIReadMail, LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiMessage*)
QLX_FAKE_OTHER(MAPISaveMail, LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG, LPSTR)
QLX_FAKE_OTHER(MAPIDeleteMail, LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG)
QLX_FAKE_OTHER(MAPIFreeBuffer, LPVOID)
QLX_FAKE_OTHER(MAPIAddress, LHANDLE, ULONG_PTR, LPSTR, ULONG, LPSTR, ULONG, lpMapiRecipDesc, FLAGS, ULONG, LPULONG,
               lpMapiRecipDesc*)
QLX_FAKE_OTHER(MAPIDetails, LHANDLE, ULONG_PTR, lpMapiRecipDesc, FLAGS, ULONG)
#ifndef QLX_FAKE_MAPI_PARTIAL
QLX_FAKE_OTHER(MAPIResolveName, LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiRecipDesc*)
#endif

}  // extern "C"
