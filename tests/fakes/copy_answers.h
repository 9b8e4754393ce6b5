// The copy dialogs answered by a test: each question gets what the test put
// there (nothing: Cancel), and what the form started the dialog with is kept;
// and a form that asks them.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "fakes/form_fixture.h"
#include "window/copy_dialogs.h"

namespace kestrom::testing {

struct CopyAnswers : CopyDialogs {
  std::optional<MoveRequest> move;
  std::optional<GridRequest> grid;
  std::optional<DepthPassTexts> passes;
  DepthPassTexts passesStart;
  std::string units;
  std::optional<DrillSettings> drilling;
  std::optional<BoltCircleTexts> boltCircle;
  std::vector<PointerAnswer> pointer;  // one answer each time the dialog opens
  std::vector<PointerTexts> pointerShown;
  std::optional<ToolRadiusTexts> toolRadius;
  std::optional<MoveRequest> AskMove(const std::string&) override { return move; }
  std::optional<GridRequest> AskGrid(const GridStart&) override { return grid; }
  std::optional<DepthPassTexts> AskDepthPasses(const DepthPassTexts& start, const std::string& u) override {
    passesStart = start;
    units = u;
    return passes;
  }
  std::optional<DrillSettings> AskDrilling(const DrillSettings&, const std::string&) override { return drilling; }
  std::optional<BoltCircleTexts> AskBoltCircle(const std::string&) override { return boltCircle; }
  std::optional<PointerAnswer> AskPointer(const PointerTexts& now) override {
    pointerShown.push_back(now);
    if (pointer.empty()) return std::nullopt;
    const PointerAnswer answer = pointer.front();
    pointer.erase(pointer.begin());
    return answer;
  }
  ToolRadiusTexts toolRadiusStart;
  std::optional<ToolRadiusTexts> AskToolRadius(const ToolRadiusTexts& start, const std::string&) override {
    toolRadiusStart = start;
    return toolRadius;
  }
  std::vector<AlignTexts> alignShown;
  std::optional<AlignTexts> align;
  std::optional<RotateTexts> rotate;
  std::optional<MirrorTexts> mirror;
  std::optional<AlignTexts> AskAlign(const AlignTexts& measured, const std::string&) override {
    alignShown.push_back(measured);
    return align ? align : std::optional<AlignTexts>(measured);
  }
  std::optional<RotateTexts> AskRotate(const std::string&) override { return rotate; }
  std::optional<MirrorTexts> AskMirror(const std::string&) override { return mirror; }
  std::vector<RestartStart> restartShown;
  std::optional<RestartTexts> restart;
  std::optional<RestartTexts> AskRestart(const RestartStart& start) override {
    restartShown.push_back(start);
    return restart;
  }
};

// No files and no file dialogs: Cancel to every path, Yes to every question.
struct NoFiles : FileReader, FileDialogs {
  ReadOutcome ReadWhole(const std::string&, size_t) override { return {false, "", "none"}; }
  bool Exists(const std::string&) override { return false; }
  std::optional<std::string> AskSavePath(const std::string&) override { return std::nullopt; }
  std::optional<std::string> AskOpenPath() override { return std::nullopt; }
  bool AskYesNo(const std::string&) override { return true; }
};

// The fixture's form again, with the copy dialogs answered by `answers`.
struct FormWithDialogs : FormFixture {
  CopyAnswers answers;
  NoFiles files;
  Form withDialogs{controls, store, [this] { return std::make_unique<CMach>(automation, system.Services(), pump); },
                   ProgramFileServices{files, files, nullptr, &answers}};
};

}  // namespace kestrom::testing
