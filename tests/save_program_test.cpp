#include "window/save_command.h"

#include <gtest/gtest.h>

#include <map>

#include "fakes/fake_controls.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

class MemoryStore : public FileStore {
 public:
  std::map<std::string, std::string> files;
  std::optional<std::string> failWith;
  std::optional<std::string> WriteWhole(const std::string& path, const std::string& content) override {
    if (failWith) return failWith;
    files[path] = content;
    return std::nullopt;
  }
};

struct Save : ::testing::Test {
  testing::FakeControls controls;
  MemoryStore store;
};

TEST_F(Save, DefaultProgramEndsInTwoLineEnds) {
  SaveProgram(controls, store);
  EXPECT_EQ(store.files.at("C:\\Dosya1.tap"), "(Kestrom File) \r\nG21 G90 G49 G64\r\n\r\n");
  EXPECT_EQ(controls.messages, std::vector<std::string>{"C:\\ Dizinine (Dosya1.tap) dosya adı ile kaydedildi."});
}

TEST_F(Save, TeachModeIsOffBeforeTheTextIsTaken) {
  controls.values[ControlId::Check1] = 1;
  controls.texts[ControlId::Text2] += "\r\nG01  X1 F200";
  std::string seenWhileShowing;
  controls.onMessage = [&](const std::string&) {
    EXPECT_EQ(controls.Value(ControlId::Check1), 0);
    seenWhileShowing = store.files.at("C:\\Dosya1.tap");  // written before the message
  };
  SaveProgram(controls, store);
  EXPECT_EQ(seenWhileShowing, std::string(kStartHeader) + "\r\nG01  X1 F200\r\n");
  EXPECT_EQ(controls.Value(ControlId::Check1), 0);
  EXPECT_EQ(controls.Text(ControlId::Text2), std::string(kStartHeader) + "\r\nG01  X1 F200");  // kept
}

TEST_F(Save, SecondSaveReplacesTheFirst) {
  SaveProgram(controls, store);
  controls.texts[ControlId::Text2] = kResetHeader;
  SaveProgram(controls, store);
  EXPECT_EQ(store.files.at("C:\\Dosya1.tap"), std::string(kResetHeader) + "\r\n");
}

TEST_F(Save, FailureIsReportedAndNeverCalledSaved) {
  store.failWith = "The system cannot find the path specified.";
  controls.texts[ControlId::Text1] = "missing\\x";
  SaveProgram(controls, store);
  ASSERT_EQ(controls.messages.size(), 1u);
  EXPECT_EQ(controls.messages[0],
            "Dosya kaydedilemedi (file not saved): C:\\missing\\x.tap\r\nThe system cannot find the path specified.");
  EXPECT_EQ(controls.messages[0].find("kaydedildi"), std::string::npos);
}

TEST_F(Save, BadNamesAreRefusedBeforeAnyWrite) {
  for (const char* bad : {"", "a?b", "CON"}) {
    controls.messages.clear();
    controls.texts[ControlId::Text1] = bad;
    SaveProgram(controls, store);
    ASSERT_EQ(controls.messages.size(), 1u);
    EXPECT_EQ(controls.messages[0].rfind("Dosya kaydedilemedi", 0), 0u) << bad;
  }
  EXPECT_TRUE(store.files.empty());
}

}  // namespace
}  // namespace kestrom
