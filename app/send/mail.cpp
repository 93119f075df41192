// Mail dispatch, the part without Windows calls: the default-client and Lotus registry
// lookups and the contents of the mail (see mail.h).
#include "app/send/mail.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/logic/vendor.h"
#include "keys/settings.h"
#include "platform/registry.h"

namespace {

constexpr char kClientsMail[] = "software\\Clients\\Mail";
constexpr char kTeamMail[] = "Software\\Lotus\\Components\\TeamMail";
constexpr char kLotusNotes[] = "Software\\Lotus\\Notes";

bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(*a) != lower(*b)) return false;
  }
  return *a == *b;
}

void RegistryMessage(const char* key_path, const char* value_name) {
  char text[MAIL_PATH_SIZE + 64];
  std::snprintf(text, sizeof text, "Erreur while opening registry.\nKey: %s%s%s", key_path,
                value_name ? "\\" : "", value_name ? value_name : "");
  ErrorBox(MainWindowHandle(), text);
}

}  // namespace

int DefaultClientIsNotes() {
  RegistryKey key = RegistryOpen(RegistryRoot::LocalMachine, kClientsMail, RegistryAccess::Read);
  if (!key) return 0;
  char client[201];
  RegistryReadText(key, nullptr, client, 200);
  key.reset();
  return SameIgnoringCase(client, "Lotus Notes") ? 1 : 0;
}

int LotusKeyPath(char* key_path) {
  key_path[0] = '\0';
  if (RegistryKey team = RegistryOpen(RegistryRoot::LocalMachine, kTeamMail, RegistryAccess::Read)) {
    if (RegistryReadText(team, "KeyPath", key_path, MAIL_PATH_SIZE - 1)) return 1;
  }
  RegistryKey notes = RegistryOpen(RegistryRoot::LocalMachine, kLotusNotes, RegistryAccess::Read);
  if (!notes) {
    RegistryMessage(kLotusNotes, nullptr);
    return 0;
  }
  char version[8];  // at most 7 characters
  if (RegistryEnumKey(notes, 0, version, sizeof version) != REGISTRY_OK) {
    notes.reset();
    RegistryMessage("Software\\Lotus\\Notes\\(version)", nullptr);
    return 0;
  }
  std::snprintf(key_path, MAIL_PATH_SIZE, "%s\\%s", kLotusNotes, version);
  return 1;
}

int LotusQueryValue(const char* name, char* out) {
  out[0] = '\0';
  char key_path[MAIL_PATH_SIZE];
  if (!LotusKeyPath(key_path)) return 0;
  RegistryKey key = RegistryOpen(RegistryRoot::LocalMachine, key_path, RegistryAccess::Read);
  if (!key) {
    RegistryMessage(key_path, nullptr);
    return 0;
  }
  if (!RegistryReadText(key, name, out, MAIL_PATH_SIZE - 1)) {
    key.reset();
    RegistryMessage(key_path, name);
    return 0;
  }
  return 1;
}

const char* MailBuiltinNotice() {
  static const std::string notice =
      std::string("To decrypt the attached file, you should use Quillnox-Viewer\nfreely downloadable on ") +
      VENDOR_WEB_ADDRESS;
  return notice.c_str();
}

int MailReadBodyFile(const char* folder, std::vector<char>* body) {
  body->clear();
  char path[MAIL_PATH_SIZE];
  const int length = std::snprintf(path, sizeof path, "%s%s", folder ? folder : "", MAIL_BODY_FILE);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return 0;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 0;
  std::vector<char> bytes(MAIL_BODY_LIMIT + 2, '\0');
  const std::size_t count = std::fread(bytes.data(), 1, MAIL_BODY_LIMIT + 1, file);
  const bool whole = !std::ferror(file) && std::feof(file) && count <= MAIL_BODY_LIMIT;
  std::fclose(file);
  if (!whole) return 0;
  bytes.resize(count + 1);  // the file and its NUL
  *body = std::move(bytes);
  return 1;
}

std::vector<char> MailMapiBody(bool self_extracting) {
  std::vector<char> body;
  if (self_extracting) return body;
  char folder[MAIL_PATH_SIZE];
  if (InstallDir(folder, sizeof folder) && MailReadBodyFile(folder, &body)) return body;
  const char* notice = MailBuiltinNotice();
  body.assign(notice, notice + std::strlen(notice) + 1);
  return body;
}

std::vector<char> MailNotesBody(const char* program_folder, bool self_extracting) {
  std::vector<char> body;
  if (!self_extracting) MailReadBodyFile(program_folder, &body);
  return body;
}
