#include <algorithm>
#include <array>

#include "SettingsFixture.h"

namespace velkor::test {
namespace {

using SaveSettings = SettingsFixture;

void fillModelA(StatusBlockA& block, std::array<std::uint8_t, 8> run, std::array<std::uint8_t, 6> items) {
  std::copy(run.begin(), run.end(), blockBytes(block) + StatusBlockA::kSettableFirst);
  std::copy(items.begin(), items.end(), block.overlayItems);
}

void fillModelB(StatusBlockB& block, std::array<std::uint8_t, 8> run) {
  std::copy(run.begin(), run.end(), blockBytes(block) + StatusBlockB::kSettableFirst);
}

// A new file has two blank lines before every section but the first.
TEST_F(SaveSettings, ModelAWritesTheBlockOfItsApplyMode) {
  // Run order: output format, de-embedding, embedding, HDMI type, CVBS type, overlays,
  // vertical margin, horizontal margin.
  fillModelA(record.statusA, {1, 2, 3, 4, 5, 2, 40, 60}, {1, 0, 1, 0, 1, 0});
  fillModelA(record.pendingA, {9, 8, 7, 6, 0, 1, 100, 255}, {0, 1, 0, 1, 0, 1});
  record.statusA.firmwareHigh = 33;  // status-only fields stay out of the file
  record.statusA.inputFormat = 34;

  ASSERT_TRUE(saveSettingsA(record).ok());
  EXPECT_EQ(readText("userSettings_tq4410.ini"),
            "[Page_Scale/Output]\n"
            "Output Format=1\n"
            "HDMI Output Type=4\n"
            "CVBS Output Type=5\n"
            "\n\n"
            "[Page_Audio]\n"
            "Audio De-Embedding=2\n"
            "Audio Embedding=3\n"
            "\n\n"
            "[Page_Overlays]\n"
            "Input Format=1\n"
            "Output Format=0\n"
            "AES/EBU Embedding=1\n"
            "AES/EBU De-Embedding=0\n"
            "Analog Embedding=1\n"
            "Analog De-Embedding=0\n"
            "Overlays Enable=2\n"
            "Virtical Margin=40\n"
            "Horiznoal Margin=60\n"
            "\n\n"
            "[Page_Func]\n"
            "Configuration=0\n");

  record.applyModeA = 3;  // any mode but 0 is Manual Apply, and is saved as it is
  ASSERT_TRUE(saveSettingsA(record).ok());
  EXPECT_EQ(readText("userSettings_tq4410.ini"),
            "[Page_Scale/Output]\n"
            "Output Format=9\n"
            "HDMI Output Type=6\n"
            "CVBS Output Type=0\n"
            "\n\n"
            "[Page_Audio]\n"
            "Audio De-Embedding=8\n"
            "Audio Embedding=7\n"
            "\n\n"
            "[Page_Overlays]\n"
            "Input Format=0\n"
            "Output Format=1\n"
            "AES/EBU Embedding=0\n"
            "AES/EBU De-Embedding=1\n"
            "Analog Embedding=0\n"
            "Analog De-Embedding=1\n"
            "Overlays Enable=1\n"
            "Virtical Margin=100\n"
            "Horiznoal Margin=255\n"
            "\n\n"
            "[Page_Func]\n"
            "Configuration=3\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"userSettings_tq4410.ini"}));
}

TEST_F(SaveSettings, ModelBWritesTheBlockOfItsApplyMode) {
  // Run order: output format, output source, audio source, overlays, vertical margin,
  // horizontal margin, mirror, freeze.
  fillModelB(record.statusB, {6, 1, 2, 0, 30, 70, 1, 0});
  fillModelB(record.pendingB, {11, 0, 3, 2, 5, 95, 0, 1});
  record.statusB.inputFormat = 12;

  ASSERT_TRUE(saveSettingsB(record).ok());
  EXPECT_EQ(readText("userSettings_tq6630.ini"),
            "[Page_Scale/Output]\n"
            "Output Format=6\n"
            "Output Source From=1\n"
            "Audio Source From=2\n"
            "\n\n"
            "[Page_Overlays]\n"
            "Overlays Enable=0\n"
            "Virtical Margin=30\n"
            "Horiznoal Margin=70\n"
            "Mirror Image=1\n"
            "Screen Freeze=0\n"
            "\n\n"
            "[Page_Func]\n"
            "Configuration=0\n");

  record.applyModeB = kManualApply;
  ASSERT_TRUE(saveSettingsB(record).ok());
  EXPECT_EQ(readText("userSettings_tq6630.ini"),
            "[Page_Scale/Output]\n"
            "Output Format=11\n"
            "Output Source From=0\n"
            "Audio Source From=3\n"
            "\n\n"
            "[Page_Overlays]\n"
            "Overlays Enable=2\n"
            "Virtical Margin=5\n"
            "Horiznoal Margin=95\n"
            "Mirror Image=0\n"
            "Screen Freeze=1\n"
            "\n\n"
            "[Page_Func]\n"
            "Configuration=1\n");
}

TEST_F(SaveSettings, KeepsWhatItDoesNotNameInAnExistingFile) {
  writeText("userSettings_tq6630.ini",
            "[Station]\r\n"
            "Name = Edit bay 2\r\n"
            "Title = \"  spaced  \"\r\n"
            "\r\n"
            "[page_scale/output]\r\n"
            "output format = 9\r\n"
            "Custom Key=keep me\r\n"
            "Output Source From=4\r\n"
            "Output Source From=5\r\n"
            "[Page_Func]\r\n"
            "Configuration=1\r\n"
            "Remember=yes\r\n"
            "[Empty]\r\n"
            "; the end\r\n");
  fillModelB(record.statusB, {6, 1, 2, 0, 30, 70, 1, 0});

  ASSERT_TRUE(saveSettingsB(record).ok());
  // Byte for byte what it was but for the values set: each known key takes its new
  // value where it stands (a repeated one where the first stood; Windows reads no
  // other), new ones follow the section's last entry, a new section comes last, in the
  // file's own line ends.
  EXPECT_EQ(readText("userSettings_tq6630.ini"),
            "[Station]\r\n"
            "Name = Edit bay 2\r\n"
            "Title = \"  spaced  \"\r\n"
            "\r\n"
            "[page_scale/output]\r\n"
            "output format = 6\r\n"
            "Custom Key=keep me\r\n"
            "Output Source From=1\r\n"
            "Output Source From=5\r\n"
            "Audio Source From=2\r\n"
            "[Page_Func]\r\n"
            "Configuration=0\r\n"
            "Remember=yes\r\n"
            "[Empty]\r\n"
            "; the end\r\n"
            "\r\n\r\n"
            "[Page_Overlays]\r\n"
            "Overlays Enable=0\r\n"
            "Virtical Margin=30\r\n"
            "Horiznoal Margin=70\r\n"
            "Mirror Image=1\r\n"
            "Screen Freeze=0\r\n");
}

TEST_F(SaveSettings, TheTwoModelsKeepToTheirOwnFiles) {
  fillModelA(record.statusA, {1, 2, 3, 4, 5, 2, 40, 60}, {1, 1, 1, 1, 1, 1});
  fillModelB(record.statusB, {6, 1, 2, 0, 30, 70, 1, 0});
  ASSERT_TRUE(saveSettingsB(record).ok());
  const std::string modelB = readText("userSettings_tq6630.ini");

  ASSERT_TRUE(saveSettingsA(record).ok());
  record.statusA.outputFormat = 8;
  ASSERT_TRUE(saveSettingsA(record).ok());
  EXPECT_EQ(readText("userSettings_tq6630.ini"), modelB);
  EXPECT_EQ(entries(), (std::set<std::string>{"userSettings_tq4410.ini", "userSettings_tq6630.ini"}));

  // Loading one model leaves the other model's part of the record alone.
  DeviceRecord before;
  copySettings(before, record);
  record.statusB = {};
  ASSERT_TRUE(loadSettingsA(record).ok());
  EXPECT_EQ(record.statusA.outputFormat, 8);
  EXPECT_EQ(record.statusB.outputFormat, 0);
  ASSERT_TRUE(loadSettingsB(record).ok());
  EXPECT_TRUE(sameSettings(record, before));
}

// What a save adds goes in the file's own encoding and line ends, where the Windows
// reader finds it; the rest stays byte for byte.
TEST_F(SaveSettings, AddsWhatIsMissingInTheFilesOwnEncodingAndLineEnds) {
  const auto utf16 = [](const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
  };
  // A file holding only the output format, and what a save in Auto Apply makes of it
  // (every setting 0 but the output format, 7).
  const auto partial = [](const std::string& eol, bool finalLineEnd) {
    return "; mine" + eol + "[Page_Scale/Output]" + eol + "Output Format=1" + eol + "note without equals" +
           (finalLineEnd ? eol : "");
  };
  const auto saved = [](const std::string& eol) {
    std::string text = "; mine" + eol + "[Page_Scale/Output]" + eol + "Output Format=7" + eol +
                       "note without equals" + eol + "Output Source From=0" + eol + "Audio Source From=0" + eol;
    text += eol + eol + "[Page_Overlays]" + eol;
    for (const char* key : {"Overlays Enable", "Virtical Margin", "Horiznoal Margin", "Mirror Image", "Screen Freeze"})
      text += std::string(key) + "=0" + eol;
    return text + eol + eol + "[Page_Func]" + eol + "Configuration=0" + eol;
  };
  const struct {
    const char* what;
    std::string before;
    std::string after;
  } cases[] = {
      {"8-bit, LF", partial("\n", true), saved("\n")},
      {"8-bit, CRLF, no final line end", partial("\r\n", false), saved("\r\n")},
      {"UTF-8 signature kept", "\xEF\xBB\xBF" + partial("\n", true), "\xEF\xBB\xBF" + saved("\n")},
      {"Latin-1 comment kept", "; r\xE9gie\n" + partial("\n", true), "; r\xE9gie\n" + saved("\n")},
      {"UTF-16 little-endian, CRLF", utf16(partial("\r\n", true), false), utf16(saved("\r\n"), false)},
      {"UTF-16 big-endian, LF", utf16(partial("\n", true), true), utf16(saved("\n"), true)},
  };
  record.statusB.outputFormat = 7;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeText(kSettingsFileTQ6630, c.before);
    ASSERT_TRUE(saveSettingsB(record).ok());
    EXPECT_EQ(readText(kSettingsFileTQ6630), c.after);
    DeviceRecord again;
    ASSERT_TRUE(loadSettingsB(again).ok()) << "and it loads";
    EXPECT_EQ(again.statusB.outputFormat, 7);
  }
}

}  // namespace
}  // namespace velkor::test
