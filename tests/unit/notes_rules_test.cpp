// The Notes mail library's decisions: log texts, the version test, sender tags and the
// Notes program path.
#include <gtest/gtest.h>

#include <string>

#include "notes/notes_rules.h"

namespace {

TEST(NotesRules, LogHeaderHasTheFourDigitYearAndTwoSpaces) {
  EXPECT_EQ(NotesLogHeader(2026, 3, 7, 4, 5, 9), "Feldspire Quillnox Logfile --  2026/03/07  04:05:09\n\n");
}

TEST(NotesRules, ExceptionLinesKeepTheirSpacing) {
  EXPECT_EQ(NotesExceptionLine("Embeddobject", 0x10FA5, "File not found", "NotesRichTextItem"),
            "Embeddobject created a Dispatch exception fa5 File not found  Source: NotesRichTextItem");
  EXPECT_EQ(NotesPlainExceptionLine("OPENDATABASE"), "OPENDATABASE created an exception");
}

TEST(NotesRules, ShellErrorLines) {
  const struct {
    long result;
    const char* line;
  } cases[] = {
      {0, "ShowNotes ShellExecute Error : The operating system is out of memory or resources."},
      {2, "ShowNotes ShellExecute Error :  The specified file was not found."},
      {3, "ShowNotes ShellExecute Error : The specified path was not found."},
      {5, "ShowNotes ShellExecute Error : The operating system denied access to the specified file."},
      {8, "ShowNotes ShellExecute Error : There was not enough memory to complete the operation. "},
      {11, "ShowNotes ShellExecute Error : The .exe file is invalid (non-Win32\xae .exe or error in .exe image). "},
      {26, "ShowNotes ShellExecute Error : A sharing violation occurred."},
      {27, "ShowNotes ShellExecute Error : The file name association is incomplete or invalid."},
      {28, "ShowNotes ShellExecute Error : The DDE transaction could not be completed because the request timed out."},
      {29, "ShowNotes ShellExecute Error : The DDE transaction failed. "},
      {30, "ShowNotes ShellExecute Error : The DDE transaction could not be completed because other DDE "
           "transactions were being processed. "},
      {31, "ShowNotes ShellExecute Error :  There is no application associated with the given file name extension. "},
      {32, "ShowNotes ShellExecute Error : The specified dynamic-link library was not found.  "},
      {4, "ShowNotes ShellExecute Error : Unknown Error Code : 4"},
      {20, "ShowNotes ShellExecute Error : Unknown Error Code : 14"},
  };
  for (const auto& c : cases) EXPECT_EQ(NotesShellErrorLine(c.result), c.line) << c.result;
  EXPECT_EQ(NotesShowPathLine("C:\\Notes\\notes.exe", "C:\\Notes\\"),
            "ShowNotes Notes ExePath =C:\\Notes\\notes.exe  Path=C:\\Notes\\");
}

TEST(NotesRules, VersionTest) {
  const struct {
    const char* text;
    const char* token;
    int ok;
  } cases[] = {
      {"Release 5.0.8 |June 18, 2001", "5.0.8", 1},
      {"5.0.8 Release", "5.0.8", 1},
      {"4.5.7", "4.5.7", 0},
      {"Release 4.6", "4.6", 1},  // a missing part counts as 0
      {"4.6.0", "4.6.0", 1},
      {"4.10", "4.10", 1},        // numbers, not bytes
      {"10.0", "10.0", 1},
      {"Release 6.5.4 FP1", "6.5.4", 1},
      {"3.9", "3.9", 0},
      {"Lotus Notes", "", 0},
      {"", "", 0},
      {".5", ".5", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NotesVersionToken(c.text), c.token) << c.text;
    EXPECT_EQ(NotesVersionAcceptable(c.text), c.ok) << c.text;
  }
}

TEST(NotesRules, SenderTagsInTableOrder) {
  EXPECT_EQ(NotesSenderTags(1), "");
  EXPECT_EQ(NotesSenderTags(0x20), "C");
  EXPECT_EQ(NotesSenderTags(0x20 | 0x2000), "CR");  // R is written last and stays
  EXPECT_EQ(NotesSenderTags(0x3FE0), "CPTFGJYQR");
  EXPECT_EQ(NotesSenderTags(0x10 | 0x4000 | 0x80000000u), "");
}

TEST(NotesRules, ProgramPathIsBounded) {
  char out[16];
  EXPECT_EQ(NotesComposeProgramPath("C:\\Lotus\\", "n.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\Lotus\\n.exe");
  EXPECT_EQ(NotesComposeProgramPath("C:\\Lotus\\", "notes.exe", out, sizeof out), 0);  // 18 + NUL > 16
  EXPECT_STREQ(out, "");
  EXPECT_EQ(NotesComposeProgramPath("C:\\Lotus\\", "123456", out, sizeof out), 1);  // exactly fits
}

TEST(NotesRules, MailtoCommandCutInFrontOfPercentOne) {
  char out[64];
  EXPECT_EQ(NotesMailtoProgramPath("C:\\Notes\\notes.exe %1", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\Notes\\notes.exe");
  EXPECT_EQ(NotesMailtoProgramPath("C:\\Notes\\notes.exe", out, sizeof out), 1);  // used whole
  EXPECT_STREQ(out, "C:\\Notes\\notes.exe");
  EXPECT_EQ(NotesMailtoProgramPath("%1", out, sizeof out), 1);
  EXPECT_STREQ(out, "");
  char small[8];
  EXPECT_EQ(NotesMailtoProgramPath("C:\\Notes\\notes.exe %1", small, sizeof small), 0);
}

TEST(NotesRules, LogPathBesideTheProgram) {
  EXPECT_EQ(NotesLogPath("C:\\Lotus\\Notes\\notes.exe"), "C:\\Lotus\\Notes\\QuillnoxLog.txt");
  EXPECT_EQ(NotesLogPath("D:notes.exe"), "D:QuillnoxLog.txt");
  EXPECT_EQ(NotesLogPath(""), "QuillnoxLog.txt");
  EXPECT_EQ(NotesProgramFolder("notes.exe"), "");
}

}  // namespace
