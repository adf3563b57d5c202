// What the windows hand the desktop: file addresses that keep every byte of a name, and
// the recorder tests use in place of the desktop.
#include <QUrl>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/Shell.h"

namespace {

using gui_test::RecordedShell;

TEST(Shell, FileAddressesKeepEveryByteOfTheName) {
  struct Case {
    std::string path;
    std::string url;
  };
  const Case cases[] = {
      {"/tmp/plain-name_1.txt", "file:///tmp/plain-name_1.txt"},
      {"/tmp/with space#and?query%", "file:///tmp/with%20space%23and%3Fquery%25"},
      {"/tmp/\xC3\xA4rger", "file:///tmp/%C3%A4rger"},
      {"/tmp/raw\xFF\xFEname", "file:///tmp/raw%FF%FEname"},
      {"/", "file:///"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.path);
    const std::string url = fileUrl(platform::utf8ToUtf16(test.path));
    EXPECT_EQ(url, test.url);
    // What a handler decodes from the address is the name on disk, byte for byte.
    const QUrl parsed = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
    ASSERT_TRUE(parsed.isValid());
    EXPECT_EQ(QByteArray::fromPercentEncoding(parsed.path(QUrl::FullyEncoded).toLatin1()).toStdString(), test.path);
  }
}

TEST(Shell, TheRecorderStandsInForTheDesktop) {
  RecordedShell shell;
  const olstring odd = platform::utf8ToUtf16("/data/x\xE9y/file\x80.bin");
  EXPECT_TRUE(openPath(odd));
  EXPECT_TRUE(showInFolder(odd));
  EXPECT_TRUE(openUrl(u"https://example.org/help.html#details"));
  ASSERT_EQ(shell.requests.size(), 3u);
  EXPECT_EQ(shell.requests[0].kind, ShellRequest::openItem);
  EXPECT_EQ(shell.requests[0].url, "file:///data/x%E9y/file%80.bin");
  EXPECT_EQ(shell.requests[1].kind, ShellRequest::showInFolder);
  EXPECT_EQ(shell.requests[1].url, "file:///data/x%E9y/file%80.bin");
  EXPECT_EQ(shell.requests[2].kind, ShellRequest::openWebPage);
  EXPECT_EQ(shell.requests[2].url, "https://example.org/help.html#details");
}

}  // namespace
