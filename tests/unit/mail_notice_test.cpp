// The mail notice "mail.txt" that setup installs beside the program and that goes into
// outgoing mails: plain text with CR LF line ends, its fixed first line, and the vendor
// address on a line of its own, the same address as the program's constant.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#if __has_include("app/logic/vendor.h")
#include "app/logic/vendor.h"
#define QLX_HAVE_VENDOR_ADDRESS 1
#endif

namespace {

std::string NoticePath() {
  std::string path = QLX_MAIL_NOTICE;
#ifdef _WIN32
  // The Windows tests run under Wine, which shows the build machine's root as drive Z:.
  for (char& c : path)
    if (c == '/') c = '\\';
  path = "Z:" + path;
#endif
  return path;
}

std::string ReadNotice() {
  std::ifstream in(NoticePath(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MailNotice, PlainTextWithCrLfLines) {
  const std::string text = ReadNotice();
  ASSERT_FALSE(text.empty()) << NoticePath();
  EXPECT_EQ(text.rfind("The attached file is encrypted.\r\n", 0), 0u);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "the last line is ended too";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at " << i;
    }
    if (c == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare carriage return at " << i;
    }
    EXPECT_TRUE(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F)) << "not plain ASCII at " << i;
  }
}

TEST(MailNotice, NamesTheVendorAddressOnItsOwnLine) {
  const std::string text = ReadNotice();
  std::string address;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    if (line.rfind("http", 0) == 0) {
      EXPECT_TRUE(address.empty()) << "one address only";
      address = line;
    }
    start = end == std::string::npos ? text.size() : end + 2;
  }
  ASSERT_EQ(address.rfind("https://", 0), 0u) << "an https address on a line of its own";
  EXPECT_EQ(address.find(' '), std::string::npos);
#ifdef QLX_HAVE_VENDOR_ADDRESS
  EXPECT_EQ(address, VENDOR_WEB_ADDRESS) << "the same address as the program's constant";
#endif
  EXPECT_NE(text.find("self-extracting"), std::string::npos) << "tells how to open it without the product";
}

}  // namespace
