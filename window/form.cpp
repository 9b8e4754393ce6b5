#include "window/form.h"

#include <exception>
#include <initializer_list>
#include <new>
#include <iterator>
#include <tuple>

#include "toolpath/depth_passes.h"
#include "toolpath/path_thinning.h"
#include "toolpath/tool_radius.h"
#include "window/layout.h"
#include "window/part_commands.h"
#include "window/restart_command.h"
#include "window/save_command.h"
#include "window/typed_numbers.h"
#include "window/window_menu.h"

namespace kestrom {

// The order is binding: "Goto Page" turns the list position 0 to 5 into page 1 to 6.
const char* const kPageNames[6] = {"Run", "MDI", "Toolpath", "Positioning", "Diagonistics", "Corrections"};
const char* const kNothingToBringBack =
    "Geri getirilecek silinmiş metin yok. (There is no cleared text to bring back.)";

Form::Form(Controls& controls, FileStore& store, ConnectionHolder::Factory makeConnection,
           std::optional<ProgramFileServices> files, RecoveryServices recovery, PathSurface* pathSurface)
    : controls_(controls),
      store_(store),
      clock_(recovery.clock ? *recovery.clock : stoppedClock_),
      journal_(controls, recovery.file, clock_),
      connection_(std::move(makeConnection)),
      pathView_(pathSurface),
      program_(controls, ControlId::Text2, journal_),
      recorder_(controls, program_, connection_),
      panel_(controls, connection_, [this] { Load(); }) {
  program_.Listen(&pathView_);
  // The view shows where the machine stands from the readouts the tick reads anyway.
  recorder_.OnReadouts([this](const std::array<std::string, kAxisCount>& dro) {
    if (!pathView_.open()) return;
    PathPoint at;
    if (gcode::ReadNumber(dro[0], at.x) && gcode::ReadNumber(dro[1], at.y) && gcode::ReadNumber(dro[2], at.z))
      pathView_.MachineAt(at);
    else
      pathView_.MachineAt(std::nullopt);
  });
  recorder_.OnViaChanged([this] { ShowViaInView(); });
  if (files) {
    dialogs_ = &files->dialogs;
    info_ = files->info;
    copies_ = files->copies;
    files_.emplace(controls, store, files->reader, files->dialogs, connection_, program_, journal_, clock_);
  }
}

void Form::Load() {
  CMach& mach = connection_.Get();
  if (!mach.InitMach()) controls_.ShowMessage(mach.InitErrorMsg());
  controls_.ClearList(ControlId::cboPage);
  for (const char* name : kPageNames) controls_.AddItem(ControlId::cboPage, name);
  controls_.SetListIndex(ControlId::cboPage, 0);
}

void Form::OfferRecovery() {
  const auto found = journal_.Start();
  if (!found) return;
  const std::string question = RecoveryQuestion(ProgramLineCount(found->text), journal_.foundLastWritten());
  // Without a Yes/No box nothing may be thrown away: the work comes back.
  if (!dialogs_ || dialogs_->AskYesNo(question)) {
    journal_.Restore(*found);
  } else {
    journal_.Decline(*found);
  }
}

void Form::OnTimer() {
  recorder_.Tick();
  panel_.Poll();
  if (files_) files_->Poll();
  journal_.Poll();
  FollowCaret();
}

void Form::ShowViaInView() {
  const auto via = recorder_.via();
  pathView_.MarkVia(via ? std::optional<PathPoint>(ToPathPoint(*via)) : std::nullopt);
}

void Form::FollowCaret() {
  if (!pathView_.open()) {
    caretMark_.reset();
    return;
  }
  // The cheap mark each tick; the program is read only when the caret has moved.
  const size_t mark = controls_.CaretMark(ControlId::Text2);
  if (caretMark_ == mark) return;
  caretMark_ = mark;
  // A line recorded puts the caret in the last line, whose point the view has read already.
  if (controls_.CaretOnLastLine(ControlId::Text2)) return pathView_.MarkCaretLine(pathView_.EndOfProgram());
  const std::string program = controls_.Text(ControlId::Text2);
  pathView_.MarkCaretLine(PointAfterLineAt(program, controls_.CaretOffset(ControlId::Text2)));
}

bool Form::OnClick(ControlId id) {
  bool handled = true;
  Guarded(ControlCaption(id), [&] { handled = Click(id); });
  return handled;
}

bool Form::Click(ControlId id) {
  switch (id) {
    case ControlId::Command5: recorder_.AppendMCode("M3"); return true;
    case ControlId::Command6: recorder_.AppendMCode("M5"); return true;
    case ControlId::Command7: recorder_.AppendMCode("M1"); return true;
    case ControlId::Command2: recorder_.ShowXDro(); return true;
    case ControlId::Command4: OnCommand(FormCommand::Save); return true;
    case ControlId::cmdCreateMachObj: panel_.CreateMachObject(); return true;
    case ControlId::cmdGCode: panel_.RunGCode(); return true;
    case ControlId::cmdJog: panel_.ToggleJog(); return true;
    case ControlId::cmdOEM: panel_.SendOEM(); return true;
    case ControlId::cmdReadDro: panel_.ReadDro(); return true;
    case ControlId::cmdSpindle: panel_.ToggleSpindle(); return true;
    case ControlId::cmdToggleJogMode: panel_.ToggleJogMode(); return true;
    case ControlId::cmdZeroAxis: panel_.ZeroAxis(); return true;
    case ControlId::Command1: panel_.GotoPage(); return true;
    default: return false;
  }
}

// A button's caption, as the operator knows it.
std::string ControlCaption(ControlId id) {
  for (const ControlSpec& spec : MainWindowLayout())
    if (spec.id == id) return spec.caption;
  return "?";
}

// The command's menu caption without its key, as the operator knows it.
std::string CommandName(FormCommand command) {
  std::string caption = MenuCaption(command);
  if (caption.empty()) caption = "KAYDET";  // Ctrl+S has no item of its own
  for (size_t dots; (dots = caption.find("...")) != std::string::npos;) caption.erase(dots, 3);
  return caption;
}

std::string CommandFailedMessage(const std::string& command, const std::string& what) {
  return command + " tamamlanamadı: " + what + "; program olduğu gibi kaldı (" + command + " could not be done: " +
         what + "; the program is as it was).";
}

// Every command builds its new text whole before it changes the program box,
// so a command that throws leaves the box and the journal as they were: the
// operator is told, naming the command, and Kestrom goes on.
template <class Command>
void Form::Guarded(const std::string& name, Command&& command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    controls_.ShowMessage(CommandFailedMessage(name, "bellek yetmedi (out of memory)"));
  } catch (const std::exception& e) {
    controls_.ShowMessage(CommandFailedMessage(name, e.what()));
  }
}

void Form::OnCommand(FormCommand command) {
  Guarded(CommandName(command), [&] { RunCommand(command); });
}

void Form::RunCommand(FormCommand command) {
  switch (command) {
    case FormCommand::Save:
      if (files_) {
        files_->Save();
      } else {
        SaveProgram(controls_, store_, [this](const std::string& saved) { journal_.Saved(saved); });
      }
      break;
    case FormCommand::SaveAs: if (files_) files_->SaveAs(); break;
    case FormCommand::Open: if (files_) files_->Open(); break;
    case FormCommand::LoadIntoMach3: if (files_) files_->LoadIntoMach3(); break;
    case FormCommand::RecordPoint: recorder_.RecordPoint(); break;
    case FormCommand::RemoveLastLine: recorder_.RemoveLastLine(); break;
    case FormCommand::BringBack:
      if (!program_.BringBack()) controls_.ShowMessage(kNothingToBringBack);
      break;
    case FormCommand::CheckMach3: CheckMach3(); break;
    case FormCommand::SimplifyPath: SimplifyPath(); break;
    case FormCommand::PathView:
      if (pathView_.open()) {
        pathView_.Close();
      } else {
        pathView_.Open(controls_.Text(ControlId::Text2));
        ShowViaInView();
      }
      break;
    case FormCommand::RecordRapidPoint: recorder_.RecordRapidPoint(); break;
    case FormCommand::ArcViaPoint: recorder_.TakeArcVia(); break;
    case FormCommand::ArcEndPoint: recorder_.TakeArcEnd(); break;
    case FormCommand::ReteachLine: recorder_.ReteachCaretLine(); break;
    case FormCommand::InsertPoint: recorder_.InsertPointAfterCaretLine(); break;
    case FormCommand::DeleteLine: recorder_.DeleteCaretLine(); break;
    case FormCommand::MoveProgram:
    case FormCommand::RepeatInGrid:
    case FormCommand::MakeRelative: CopyProgram(command); break;
    case FormCommand::DepthPasses: CutDepthPasses(); break;
    case FormCommand::RecordHole:
      if (const auto drilling = DrillingNow()) recorder_.RecordHole(*drilling);
      break;
    case FormCommand::DrillingSettings: AskDrilling(); break;
    case FormCommand::BoltCircle: DrillBoltCircle(); break;
    case FormCommand::SaveDrawing: if (files_) files_->SaveDrawing(); break;
    case FormCommand::PointerOffset: AskPointer(); break;
    case FormCommand::ToolRadius: OffsetByTool(); break;
    case FormCommand::AlignToPart:
    case FormCommand::Rotate:
    case FormCommand::Mirror: TurnPart(command); break;
    case FormCommand::RestartAtLine:
      if (files_ && copies_) RestartAtCaretLine({controls_, store_, connection_, *copies_, *files_});
      break;
  }
}

namespace {
std::optional<int> CountIn(const std::string& text, const char* box, Controls& controls) {
  const auto value = NumberIn(text, box, controls);
  if (!value) return std::nullopt;
  if (*value >= 1 && *value <= 1000000 && *value == static_cast<int>(*value)) return static_cast<int>(*value);
  controls.ShowMessage(std::string(box) + " 1 ya da daha büyük bir tam sayı olmalı: \"" + text +
                       "\"; hiçbir şey değişmedi (" + box + " must be a whole number of 1 or more: \"" + text +
                       "\"; nothing changed).");
  return std::nullopt;
}

std::optional<int> TabsIn(const std::string& text, Controls& controls) {
  const char* box = "Köprü Sayısı (tabs)";
  const auto value = NumberIn(text, box, controls);
  if (!value) return std::nullopt;
  if (*value >= 0 && *value <= 1000 && *value == static_cast<int>(*value)) return static_cast<int>(*value);
  controls.ShowMessage(std::string(box) + " 0 ile 1000 arasında bir tam sayı olmalı: \"" + text +
                       "\"; hiçbir şey değişmedi (" + box + " must be a whole number from 0 to 1000: \"" + text +
                       "\"; nothing changed).");
  return std::nullopt;
}

}  // namespace

void Form::CutDepthPasses() {
  if (!copies_) return;
  const std::string program = controls_.Text(ControlId::Text2);
  const DepthPassStart measured = DepthPassStartOf(program);
  DepthPassTexts start;
  const gcode::NumberStyle plain{0, false, '.'};
  if (measured.surfaceZ) start.surfaceZ = gcode::WriteExact(*measured.surfaceZ, plain);
  if (measured.feed && *measured.feed > 0) start.plungeFeed = gcode::Write(*measured.feed / 3, {1, false, '.'});
  if (measured.highestZ) start.safeZ = gcode::WriteExact(*measured.highestZ, plain);
  const auto asked = copies_->AskDepthPasses(start, measured.units);
  if (!asked) return;
  DepthPassRequest r;
  const auto tabs = TabsIn(asked->tabs, controls_);
  if (!tabs || !NumbersIn({{asked->surfaceZ, "Yüzey Z (surface Z)", &r.surfaceZ},
                           {asked->finalZ, "Son Derinlik Z (final depth Z)", &r.finalZ},
                           {asked->step, "Paso (step down)", &r.step},
                           {asked->plungeFeed, "Dalış İlerlemesi (plunge feed)", &r.plungeFeed},
                           {asked->safeZ, "Güvenli Z (safe Z)", &r.safeZ},
                           {asked->tabWidth, "Köprü Genişliği (tab width)", &r.tabWidth},
                           {asked->tabHeight, "Köprü Yüksekliği (tab height)", &r.tabHeight}},
                          controls_))
    return;
  r.tabs = *tabs;
  TakeCopy(DepthPasses(program, r));
}

// Holes go where the program ends: its units there are the settings' units.
std::optional<Drilling> Form::DrillingNow() {
  std::string note;
  const DrillSettings settings = DrillingInUnits(drilling_, EndOfProgram(controls_.Text(ControlId::Text2)).state.inches, note);
  Drilling drilling = ReadDrilling(settings);
  if (!drilling.ok()) {
    controls_.ShowMessage(drilling.refusal + " Delik kaydedilmedi (no hole recorded).");
    return std::nullopt;
  }
  if (!note.empty()) {
    drilling_ = settings;  // said once: from now on they are this program's
    controls_.ShowMessage(note);
  }
  return drilling;
}

void Form::AskDrilling() {
  if (!copies_) return;
  const bool inches = EndOfProgram(controls_.Text(ControlId::Text2)).state.inches;
  std::string note;
  const auto asked = copies_->AskDrilling(DrillingInUnits(drilling_, inches, note), inches ? "inch" : "mm");
  if (!asked) return;
  const Drilling checked = ReadDrilling(*asked);
  if (!checked.ok()) return controls_.ShowMessage(checked.refusal + " Ayarlar değişmedi (the settings did not change).");
  drilling_ = *asked;
  drilling_.units = inches ? "inch" : "mm";
}

void Form::DrillBoltCircle() {
  if (!copies_) return;
  const auto drilling = DrillingNow();
  if (!drilling) return;
  const auto asked = copies_->AskBoltCircle(CopyStartOf(controls_.Text(ControlId::Text2)).units);
  if (!asked) return;
  const auto count = CountIn(asked->count, "Delik Sayısı (holes)", controls_);
  double radius = 0, start = 0;
  if (!count || !NumbersIn({{asked->radius, "Yarıçap (radius)", &radius},
                            {asked->startAngle, "Başlangıç Açısı (start angle)", &start}},
                           controls_))
    return;
  if (*count > 10000 || !(radius > 0))
    return controls_.ShowMessage("Delik dairesi 1 ile 10000 delik ve 0'dan büyük bir yarıçap ister; hiçbir şey "
                                 "eklenmedi (a bolt circle takes 1 to 10000 holes and a radius of more than 0; "
                                 "nothing was added).");
  recorder_.RecordBoltCircle(*drilling, *count, radius, start);
}

void Form::OffsetByTool() {
  if (!copies_) return;
  const std::string program = controls_.Text(ControlId::Text2);
  const CopyStart measured = CopyStartOf(program);
  ToolRadiusTexts start;
  if (measured.highestZ) start.safeZ = gcode::WriteExact(*measured.highestZ, {0, false, '.'});
  const auto asked = copies_->AskToolRadius(start, measured.units);
  if (!asked) return;
  ToolRadiusRequest r;
  double safeZ = 0;
  if (!NumbersIn({{asked->diameter, "Takım Çapı (tool diameter)", &r.diameter},
                  {asked->safeZ, "Güvenli Z (safe Z)", &safeZ}},
                 controls_))
    return;
  r.safeZ = safeZ;
  r.inside = asked->inside;
  r.right = asked->right;
  TakeCopy(OffsetByToolRadius(program, r));
}

const char* const kPointerWhileTeaching =
    "Öğrenme modu açıkken işaretçi değiştirilemez: kaydedilen yol işaretçinin kaçıklığı kadar sıçrardı; önce "
    "öğrenme modunu kapatın. İşaretçi olduğu gibi kaldı (the pointer cannot change while teach mode records: the "
    "taught path would jump by its offset, a move the machine never made; switch teach mode off first. The pointer "
    "is as it was).";
const char* const kPointerFirstStep =
    "1/2: Takımı bir işaretin tam üzerine getirin, sonra Tamam'a basın (put the tool over a mark, then press OK).";
const char* const kPointerSecondStep =
    "2/2: İşaretçi aynı işaretin üzerine gelene kadar kaydırın, sonra Tamam'a basın (jog until the pointer is on the "
    "same mark, then press OK).";

std::optional<PointerTexts> Form::MeasurePointer() {
  // The message boxes are modal to Kestrom alone: Mach3 is jogged meanwhile.
  double at[2][2] = {};
  std::string style;
  for (int step = 0; step < 2; ++step) {
    controls_.ShowMessage(step == 0 ? kPointerFirstStep : kPointerSecondStep);
    CMach& mach = connection_.Get();
    for (int axis = 0; axis < 2; ++axis) {
      const std::string text = mach.ReadDRO(axis);
      if (text.empty() || !gcode::ReadNumber(text, at[step][axis])) {
        controls_.ShowMessage(kPointNotRecorded);
        return std::nullopt;
      }
      if (style.empty()) style = text;
    }
  }
  PointerTexts measured;
  measured.dx = gcode::WriteExact(at[0][0] - at[1][0], gcode::StyleOf(style));
  measured.dy = gcode::WriteExact(at[0][1] - at[1][1], gcode::StyleOf(style));
  return measured;
}

void Form::AskPointer() {
  if (!copies_) return;
  PointerTexts now = pointer_;
  for (;;) {
    const auto asked = copies_->AskPointer(now);
    if (!asked) return;
    now = asked->texts;
    if (asked->measure) {
      if (const auto measured = MeasurePointer()) {
        now.dx = measured->dx;
        now.dy = measured->dy;
      }
      continue;  // the dialog again, with what was measured
    }
    double dx = 0, dy = 0;
    if (!NumbersIn({{now.dx, "ΔX", &dx}, {now.dy, "ΔY", &dy}}, controls_)) return;
    // While teach mode records, a changed pointer would jump the taught path
    // by its offset: a feed the machine never made.
    const bool changes = now.teach != pointer_.teach || (now.teach && (now.dx != pointer_.dx || now.dy != pointer_.dy));
    if (changes && controls_.Value(ControlId::Check1) == 1) return controls_.ShowMessage(kPointerWhileTeaching);
    pointer_ = now;
    recorder_.SetPointer(now.teach ? std::optional<std::array<double, 2>>({dx, dy}) : std::nullopt);
    pathView_.SetNote(now.teach ? "   İşaretçi (pointer) ΔX " + now.dx + " ΔY " + now.dy : "");
    return;
  }
}

void Form::TurnPart(FormCommand command) {
  if (!copies_) return;
  std::optional<std::array<double, 2>> pointer;
  double dx = 0, dy = 0;
  if (pointer_.teach && gcode::ReadNumber(pointer_.dx, dx) && gcode::ReadNumber(pointer_.dy, dy)) pointer = {dx, dy};
  const PartServices s{controls_, connection_, *copies_, pointer, [this](const CopiedProgram& c) { TakeCopy(c); }};
  if (command == FormCommand::AlignToPart) AlignToPart(s);
  if (command == FormCommand::Rotate) RotatePart(s);
  if (command == FormCommand::Mirror) MirrorPart(s);
}

void Form::TakeCopy(const CopiedProgram& copy) {
  if (copy.text) {
    program_.ReplaceWith(*copy.text);
    controls_.CaretToEnd(ControlId::Text2);
  }
  controls_.ShowMessage(copy.message);
}

void Form::CopyProgram(FormCommand command) {
  const std::string program = controls_.Text(ControlId::Text2);
  if (command == FormCommand::MakeRelative) return TakeCopy(MakeRelative(program));
  if (!copies_) return;
  auto numbers = [&](std::initializer_list<std::tuple<const std::string&, const char*, double*>> boxes) {
    return NumbersIn(boxes, controls_);
  };
  const CopyStart measured = CopyStartOf(program);
  const std::string units = measured.units;
  if (command == FormCommand::RepeatInGrid) {
    GridStart start;
    start.units = units;
    if (measured.highestZ) start.safeZ = gcode::WriteExact(*measured.highestZ, {0, false, '.'});
    const auto asked = copies_->AskGrid(start);
    if (!asked) return;
    GridLayout grid;
    const auto rows = CountIn(asked->rows, "Satır (rows)", controls_);
    const auto columns = rows ? CountIn(asked->columns, "Sütun (columns)", controls_) : std::nullopt;
    if (!columns || !numbers({{asked->dx, "ΔX", &grid.dx},
                              {asked->dy, "ΔY", &grid.dy},
                              {asked->safeZ, "Güvenli Z (safe Z)", &grid.safeZ}}))
      return;
    grid.rows = *rows;
    grid.columns = *columns;
    grid.serpentine = asked->serpentine;
    return TakeCopy(RepeatInGrid(program, grid));
  }
  const auto asked = copies_->AskMove(units);
  if (!asked) return;
  double offset[3] = {0, 0, 0};
  if (asked->toHere) {
    CMach& mach = connection_.Get();
    gcode::Point here{};
    for (int axis = 0; axis < 3; ++axis)
      if (!gcode::ReadNumber(mach.ReadDRO(axis), here[axis])) return controls_.ShowMessage(kPointNotRecorded);
    const OffsetResult toHere = OffsetToHere(program, here);
    if (!toHere.offset) return controls_.ShowMessage(toHere.refusal);
    for (int a = 0; a < 3; ++a) offset[a] = (*toHere.offset)[a];
  } else if (!numbers({{asked->dx, "ΔX", &offset[0]}, {asked->dy, "ΔY", &offset[1]}, {asked->dz, "ΔZ", &offset[2]}})) {
    return;
  }
  TakeCopy(MoveProgram(program, offset[0], offset[1], offset[2]));
}

std::string ThinnedMessage(size_t before, size_t after) {
  const std::string b = std::to_string(before), a = std::to_string(after);
  return "Yol sadeleştirildi: " + b + " satırdan " + a + " satır kaldı. (Path simplified: " + a + " of " + b +
         " lines left.)";
}

void Form::ChooseThinningTolerance(int index) {
  if (index >= 0 && index < static_cast<int>(std::size(kThinningTolerances))) tolerance_ = index;
}

// Thinning takes lines away, so the text before it is kept for "Bring back".
void Form::SimplifyPath() {
  const std::string text = controls_.Text(ControlId::Text2);
  const ThinnedProgram thinned = ThinPath(text, kThinningTolerances[tolerance_]);
  if (thinned.text != text) {
    program_.ReplaceWith(thinned.text);
    controls_.CaretToEnd(ControlId::Text2);
  }
  controls_.ShowMessage(ThinnedMessage(thinned.linesBefore, thinned.linesAfter));
}

void Form::CheckMach3() {
  if (!info_) return;
  const Mach3Check check = connection_.Get().Check(info_->Describe());
  const std::string path = info_->CheckReportPath();
  const auto failure = path.empty() ? std::optional<std::string>("no application-data folder")
                                    : store_.WriteWhole(path, check.report);
  std::string summary = CheckSummary(check, path);
  if (failure) summary += "\r\nRapor yazılamadı (the report was not written): " + *failure;
  controls_.ShowMessage(summary);
}

void Form::OnDoubleClick(ControlId id) {
  if (id == ControlId::Text2) recorder_.ResetProgram();
}

}  // namespace kestrom
