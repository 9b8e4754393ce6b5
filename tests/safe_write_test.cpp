// The safe write against a scripted file system: busy files tried again, no
// temporary file left, and the write in place where only the target may change.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "teach/safe_write.h"

namespace kestrom {
namespace {
using S = SafeWriteSystem::Status;
using Files = std::map<std::string, std::string>;

// Steps answer as scripted; a failed write leaves half of its bytes, as a full disk would.
struct ScriptedFiles : SafeWriteSystem {
  Files files;
  std::deque<Status> writes, replaces, overwrites;
  std::string deniedFolder;  // no new file may be made here
  std::string keep = "K:\\Kestrom\\";
  int pauses = 0;
  Kind KindOf(const std::string& path) override { return files.count(path) ? Kind::File : Kind::Missing; }
  Step WriteTemp(const std::string& folder, const std::string& bytes, std::string& temp) override {
    if (folder == deniedFolder) return {Status::Denied, "denied"};
    temp = folder + "kst" + std::to_string(++made) + ".tmp";
    return Write(temp, bytes, Next(writes));
  }
  Step ReplaceKeeping(const std::string& temp, const std::string& target) override { return Move(temp, target); }
  Step MoveInto(const std::string& temp, const std::string& target) override { return Move(temp, target); }
  void Remove(const std::string& path) override { files.erase(path); }
  void Pause(int) override { ++pauses; }
  std::string KeepFolder() override { return keep; }
  Step Read(const std::string& path, std::string& bytes) override {
    if (!files.count(path)) return {Status::Failed, "missing"};
    bytes = files[path];
    return {};
  }
  Step Overwrite(const std::string& path, const std::string& bytes) override {
    const Status s = Next(overwrites);
    if (s == Status::Busy) return {s, "held"};  // held by another program: not even opened
    return Write(path, bytes, s);
  }

 private:
  int made = 0;
  static Status Next(std::deque<Status>& q) {
    if (q.empty()) return Status::Ok;
    const Status s = q.front();
    q.pop_front();
    return s;
  }
  Step Write(const std::string& path, const std::string& bytes, Status s) {
    files[path] = s == Status::Ok ? bytes : bytes.substr(0, bytes.size() / 2);
    return {s, "write"};
  }
  Step Move(const std::string& temp, const std::string& target) {
    const Status s = Next(replaces);
    if (s == Status::Ok) {
      files[target] = files.at(temp);
      files.erase(temp);
    }
    return {s, "replace"};
  }
};

TEST(SafeWrite, ABusyFileIsTriedAgainAndNoTemporaryFileIsEverLeft) {
  ScriptedFiles fs;
  fs.files["C:\\p.tap"] = "old";
  fs.replaces = {S::Busy, S::Busy};
  EXPECT_EQ(SafeWrite(fs, "C:\\p.tap", "new"), std::nullopt);
  EXPECT_EQ(fs.pauses, 2);
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "new"}}));

  for (auto script : std::vector<std::pair<std::deque<S>, std::deque<S>>>{
           {{S::Failed}, {}},                                  // the disk is full mid-write
           {{}, {S::Failed}},                                  // the replace is refused
           {{}, std::deque<S>(kBusyAttempts, S::Busy)}}) {     // held for longer than the tries
    fs.writes = script.first;
    fs.replaces = script.second;
    EXPECT_TRUE(SafeWrite(fs, "C:\\p.tap", "newer").has_value());
    EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "new"}}));
  }
}

// C:\ for a standard user: no new file may be made there, the existing one may be changed.
TEST(SafeWrite, WhereNoFileMayBeCreatedTheTargetIsWrittenInPlaceAndNeverLost) {
  ScriptedFiles fs;
  fs.deniedFolder = "C:\\";
  fs.files["C:\\p.tap"] = "old program";
  EXPECT_EQ(SafeWrite(fs, "C:\\p.tap", "new program"), std::nullopt);
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "new program"}}));  // the copy is gone once the new one reads back
  EXPECT_EQ(fs.pauses, 0);                                     // access denied is not tried again

  // The target cannot even be opened (another program holds it): untouched, no copy left.
  fs.overwrites = std::deque<S>(kBusyAttempts, S::Busy);
  fs.overwrites.push_back(S::Ok);  // would the restore be tried, it would write
  EXPECT_TRUE(SafeWrite(fs, "C:\\p.tap", "other").has_value());
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "new program"}}));
  fs.overwrites.clear();

  // The write fails half way: the old content is put back, the copy removed.
  fs.overwrites = {S::Failed};
  auto failure = SafeWrite(fs, "C:\\p.tap", "newer program");
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("put back"), std::string::npos) << *failure;
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "new program"}}));

  // Putting it back fails as well: the copy stays where Kestrom may write, and the message names it.
  fs.overwrites = {S::Failed, S::Failed};
  failure = SafeWrite(fs, "C:\\p.tap", "newest program");
  ASSERT_TRUE(failure.has_value());
  ASSERT_EQ(fs.files.size(), 2u);
  const auto copy = std::next(fs.files.begin());
  EXPECT_EQ(copy->first.rfind(fs.keep, 0), 0u);
  EXPECT_EQ(copy->second, "new program");
  EXPECT_NE(failure->find(copy->first), std::string::npos) << *failure;
  fs.files.erase(copy);

  // No copy can be kept: the target is not touched at all.
  fs.files["C:\\p.tap"] = "old program";
  fs.keep.clear();
  EXPECT_EQ(SafeWrite(fs, "C:\\p.tap", "other"), std::string("denied"));
  fs.keep = "C:\\";  // a keep folder that refuses new files too
  EXPECT_TRUE(SafeWrite(fs, "C:\\p.tap", "other").has_value());
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "old program"}}));

  // A new name where no file may be made: refused, nothing written anywhere.
  fs.keep = "K:\\Kestrom\\";
  EXPECT_EQ(SafeWrite(fs, "C:\\q.tap", "other"), std::string("denied"));
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "old program"}}));

  // The temporary file may be made but the target not replaced: in place too.
  fs.deniedFolder.clear();
  fs.replaces = {S::Denied};
  EXPECT_EQ(SafeWrite(fs, "C:\\p.tap", "replaced"), std::nullopt);
  EXPECT_EQ(fs.files, (Files{{"C:\\p.tap", "replaced"}}));
}

}  // namespace
}  // namespace kestrom
