#include "window/win32/win32_copy_dialogs.h"

#include <algorithm>
#include <string>
#include <vector>

#include "machine/win32/text_win32.h"

namespace kestrom::win32 {
namespace {

// A DLGTEMPLATE and its items, laid out in memory as DialogBoxIndirect reads them.
class DialogTemplate {
 public:
  DialogTemplate(const std::string& title, short width, short height) {
    Add(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Add(0);
    count_ = words_.size();
    words_.push_back(0);  // the number of items, counted as they come
    for (short v : {short(0), short(0), width, height}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    AddText(Widen(title));
    words_.push_back(8);
    AddText(L"MS Shell Dlg");
  }
  // class: 0x80 button, 0x81 edit, 0x82 static.
  void Item(WORD id, WORD kind, DWORD style, short x, short y, short w, short h, const std::string& text) {
    if (words_.size() % 2) words_.push_back(0);  // each item starts on a DWORD
    Add(style | WS_CHILD | WS_VISIBLE);
    Add(0);
    for (short v : {x, y, w, h}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(kind);
    AddText(Widen(text));
    words_.push_back(0);  // no creation data
    ++words_[count_];
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Add(DWORD d) {
    words_.push_back(LOWORD(d));
    words_.push_back(HIWORD(d));
  }
  void AddText(const std::wstring& s) {
    words_.insert(words_.end(), s.begin(), s.end());
    words_.push_back(0);
  }
  std::vector<WORD> words_;
  size_t count_ = 0;
};

// One dialog: lines of text to read, labelled number boxes, a tick box or two
// choices, OK and Cancel.
struct DialogForm {
  std::vector<std::pair<std::string, std::string*>> numbers;  // label, text
  std::string checkCaption;
  bool* check = nullptr;          // no tick box without it
  struct Choice {
    std::string captions[2];  // two radio buttons: the first when *second is false
    bool* second;
  };
  std::vector<Choice> choices;
  std::string button;             // a button beside OK that also closes the dialog ("Ölç (Measure)")
  bool* pressed = nullptr;
  std::vector<std::string> notes;  // above the boxes, each wrapped to the dialog's width
};

INT_PTR CALLBACK Procedure(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* form = reinterpret_cast<DialogForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      form = reinterpret_cast<DialogForm*>(lp);
      for (size_t i = 0; i < form->numbers.size(); ++i)
        SetDlgItemTextW(dialog, kCopyFirstBox + static_cast<int>(i), Widen(*form->numbers[i].second).c_str());
      if (form->check) CheckDlgButton(dialog, kCopyCheckBox, *form->check ? BST_CHECKED : BST_UNCHECKED);
      for (size_t c = 0; c < form->choices.size(); ++c) {
        const int first = kCopyFirstChoice + 2 * static_cast<int>(c);
        CheckRadioButton(dialog, first, first + 1, first + *form->choices[c].second);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || (form->pressed && LOWORD(wp) == kCopyButton)) {
        if (form->pressed) *form->pressed = LOWORD(wp) == kCopyButton;
        for (size_t i = 0; i < form->numbers.size(); ++i) {
          HWND box = GetDlgItem(dialog, kCopyFirstBox + static_cast<int>(i));
          std::wstring text(static_cast<size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
          text.resize(static_cast<size_t>(GetWindowTextW(box, &text[0], static_cast<int>(text.size()))));
          *form->numbers[i].second = Narrow(text);
        }
        if (form->check) *form->check = IsDlgButtonChecked(dialog, kCopyCheckBox) == BST_CHECKED;
        for (size_t c = 0; c < form->choices.size(); ++c)
          *form->choices[c].second =
              IsDlgButtonChecked(dialog, kCopyFirstChoice + 2 * static_cast<int>(c) + 1) == BST_CHECKED;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// The form laid out in dialog units: a row for each number, the tick box, the buttons.
bool Ask(HWND owner, const std::string& title, DialogForm& form) {
  constexpr short kRow = 18, kBox = 60, kMargin = 8, kNoteLine = 9;
  // A dialog with notes is wider, for the line's text and the state in words.
  const short kLabel = form.notes.empty() ? 130 : 230;
  const short rows = static_cast<short>(form.numbers.size());
  const short extra = static_cast<short>((form.check ? 1 : 0) + 2 * form.choices.size());
  const short width = kMargin * 3 + kLabel + kBox;
  short notesHeight = 0;
  std::vector<short> noteLines;
  for (const std::string& note : form.notes) {
    // About four dialog units a character in the dialog's font.
    const size_t perLine = static_cast<size_t>((width - 2 * kMargin) / 4);
    noteLines.push_back(static_cast<short>(std::min<size_t>(8, Widen(note).size() / perLine + 1)));
    notesHeight = static_cast<short>(notesHeight + noteLines.back() * kNoteLine + 4);
  }
  const short height = kMargin * 2 + notesHeight + kRow * (rows + extra + 1) + 4;
  DialogTemplate t(title, width, height);
  short noteY = kMargin;
  for (size_t n = 0; n < form.notes.size(); ++n) {
    t.Item(static_cast<WORD>(kCopyFirstNote + n), 0x82, SS_LEFT | SS_NOPREFIX, kMargin, noteY, width - 2 * kMargin,
           static_cast<short>(noteLines[n] * kNoteLine), form.notes[n]);
    noteY = static_cast<short>(noteY + noteLines[n] * kNoteLine + 4);
  }
  for (short i = 0; i < rows; ++i) {
    const short y = kMargin + notesHeight + i * kRow;
    t.Item(static_cast<WORD>(-1), 0x82, SS_LEFT, kMargin, y + 2, kLabel, 10, form.numbers[i].first);
    t.Item(static_cast<WORD>(kCopyFirstBox + i), 0x81, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
           kMargin * 2 + kLabel, y, kBox, 12, "");
  }
  short y = kMargin + notesHeight + rows * kRow;
  if (form.check) {
    t.Item(kCopyCheckBox, 0x80, BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, y, kLabel + kBox, 12, form.checkCaption);
    y += kRow;
  }
  for (size_t c = 0; c < form.choices.size(); ++c)
    for (short i = 0; i < 2; ++i, y += kRow)
      t.Item(static_cast<WORD>(kCopyFirstChoice + 2 * c + i), 0x80,
             BS_AUTORADIOBUTTON | WS_TABSTOP | (i ? 0 : WS_GROUP), kMargin, y, kLabel + kBox, 12,
             form.choices[c].captions[i]);
  const short buttonsY = y + 2;
  t.Item(IDOK, 0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, width - kMargin * 2 - 100, buttonsY, 50, 14, "Tamam (OK)");
  t.Item(IDCANCEL, 0x80, BS_PUSHBUTTON | WS_TABSTOP, width - kMargin - 50, buttonsY, 50, 14, "İptal (Cancel)");
  if (!form.button.empty())
    t.Item(kCopyButton, 0x80, BS_PUSHBUTTON | WS_TABSTOP, kMargin, buttonsY, 50, 14, form.button);
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, Procedure,
                                 reinterpret_cast<LPARAM>(&form)) == IDOK;
}

}  // namespace

std::optional<MoveRequest> Win32CopyDialogs::AskMove(const std::string& units) {
  MoveRequest typed = move_;
  const std::string x = "ΔX, " + units, y = "ΔY, " + units, z = "ΔZ, " + units;
  DialogForm form{{{x.c_str(), &typed.dx}, {y.c_str(), &typed.dy}, {z.c_str(), &typed.dz}},
            "Buraya (to here: where the machine stands)",
            &typed.toHere};
  if (!Ask(owner_, kMoveDialogTitle, form)) return std::nullopt;
  move_ = typed;
  return typed;
}

std::optional<GridRequest> Win32CopyDialogs::AskGrid(const GridStart& start) {
  GridRequest typed = grid_;
  if (!start.safeZ.empty()) typed.safeZ = start.safeZ;
  const std::string dx = "ΔX (sütunlar, columns), " + start.units, dy = "ΔY (satırlar, rows), " + start.units,
                    safe = "Güvenli Z (safe Z), " + start.units;
  DialogForm form{{{"Satır (rows)", &typed.rows},
             {"Sütun (columns)", &typed.columns},
             {dx.c_str(), &typed.dx},
             {dy.c_str(), &typed.dy},
             {safe.c_str(), &typed.safeZ}},
            "Yılan sırası (serpentine)",
            &typed.serpentine};
  if (!Ask(owner_, kGridDialogTitle, form)) return std::nullopt;
  grid_ = typed;
  return typed;
}

}  // namespace kestrom::win32

namespace kestrom::win32 {

std::optional<DepthPassTexts> Win32CopyDialogs::AskDepthPasses(const DepthPassTexts& start, const std::string& units) {
  // What the program says starts fresh each time; what only the operator knows is kept.
  DepthPassTexts typed = passes_;
  typed.surfaceZ = start.surfaceZ;
  typed.plungeFeed = start.plungeFeed;
  typed.safeZ = start.safeZ;
  const std::string u = ", " + units;
  const std::string surface = "Yüzey Z (surface Z)" + u, bottom = "Son Derinlik Z (final depth Z)" + u,
                    step = "Paso (step down)" + u, plunge = "Dalış İlerlemesi (plunge feed)",
                    safe = "Güvenli Z (safe Z)" + u, width = "Köprü Genişliği (tab width)" + u,
                    height = "Köprü Yüksekliği (tab height)" + u;
  DialogForm form{{{surface, &typed.surfaceZ},
                   {bottom, &typed.finalZ},
                   {step, &typed.step},
                   {plunge, &typed.plungeFeed},
                   {safe, &typed.safeZ},
                   {"Köprü Sayısı (tabs)", &typed.tabs},
                   {width, &typed.tabWidth},
                   {height, &typed.tabHeight}}};
  if (!Ask(owner_, kDepthPassesDialogTitle, form)) return std::nullopt;
  passes_ = typed;
  return typed;
}

std::optional<DrillSettings> Win32CopyDialogs::AskDrilling(const DrillSettings& now, const std::string& units) {
  DrillSettings typed = now;
  const std::string u = ", " + units;
  const std::string bottom = "Delik Dibi Z (hole bottom Z)" + u, r = "R Düzlemi (R plane)" + u,
                    peck = "Gagalama Q (peck, 0 = none)" + u;
  DialogForm form{{{bottom, &typed.bottomZ},
                   {r, &typed.rPlane},
                   {"İlerleme (feed)", &typed.feed},
                   {peck, &typed.peck},
                   {"Bekleme P (dwell, s)", &typed.dwell}}};
  form.choices.push_back({{"Başlangıç Yüksekliği G98 (start height)", "R Düzlemi G99 (R plane)"}, &typed.returnToR});
  if (!Ask(owner_, kDrillingDialogTitle, form)) return std::nullopt;
  return typed;
}

std::optional<BoltCircleTexts> Win32CopyDialogs::AskBoltCircle(const std::string& units) {
  BoltCircleTexts typed = bolts_;
  const std::string radius = "Yarıçap (radius), " + units;
  DialogForm form{{{"Delik Sayısı (holes)", &typed.count},
                   {radius, &typed.radius},
                   {"Başlangıç Açısı (start angle), °", &typed.startAngle}}};
  if (!Ask(owner_, kBoltCircleDialogTitle, form)) return std::nullopt;
  bolts_ = typed;
  return typed;
}

}  // namespace kestrom::win32

namespace kestrom::win32 {

std::optional<PointerAnswer> Win32CopyDialogs::AskPointer(const PointerTexts& now) {
  PointerAnswer answer;
  answer.texts = now;
  DialogForm form{{{"ΔX", &answer.texts.dx}, {"ΔY", &answer.texts.dy}},
                  "İşaretçi ile Öğret (Teach with the pointer)",
                  &answer.texts.teach};
  form.button = "Ölç (Measure)";
  form.pressed = &answer.measure;
  if (!Ask(owner_, kPointerDialogTitle, form)) return std::nullopt;
  return answer;
}

std::optional<ToolRadiusTexts> Win32CopyDialogs::AskToolRadius(const ToolRadiusTexts& start, const std::string& units) {
  ToolRadiusTexts typed = tool_;
  typed.safeZ = start.safeZ;
  const std::string diameter = "Takım Çapı (tool diameter), " + units, safe = "Güvenli Z (safe Z), " + units;
  DialogForm form{{{diameter, &typed.diameter}, {safe, &typed.safeZ}}};
  form.choices.push_back({{"Dış (outside)", "İç (inside)"}, &typed.inside});
  form.choices.push_back({{"Sol (left)", "Sağ (right)"}, &typed.right});
  if (!Ask(owner_, kToolRadiusDialogTitle, form)) return std::nullopt;
  tool_ = typed;
  return typed;
}

}  // namespace kestrom::win32

namespace kestrom::win32 {

std::optional<RestartTexts> Win32CopyDialogs::AskRestart(const RestartStart& start) {
  RestartTexts typed = start.texts;
  if (!restartWait_.empty()) typed.spindleWait = restartWait_;
  const std::string u = ", " + start.units;
  const std::string safe = "Güvenli Z (safe Z)" + u, plunge = "Dalış İlerlemesi (plunge feed)" + u + "/min";
  DialogForm form{{{safe, &typed.safeZ}, {plunge, &typed.plungeFeed}, {"İş Mili Bekleme (spindle wait), s", &typed.spindleWait}},
                  "Takım değiştir (tool change first)",
                  &typed.toolChange};
  form.notes = {start.line, start.state};
  if (start.fromMachineOffered)
    form.choices.push_back({{"Satırın başından (from the line's start)",
                             "Makinenin durduğu yerden (from where the machine stands)"},
                            &typed.fromMachine});
  if (!Ask(owner_, kRestartDialogTitle, form)) return std::nullopt;
  restartWait_ = typed.spindleWait;
  return typed;
}

}  // namespace kestrom::win32

namespace kestrom::win32 {

std::optional<AlignTexts> Win32CopyDialogs::AskAlign(const AlignTexts& measured, const std::string& units) {
  AlignTexts typed = measured;
  const std::string x = "Köşe X (corner X), " + units, y = "Köşe Y (corner Y), " + units;
  DialogForm form{{{"Kenar Açısı (edge angle), °", &typed.degrees}, {x, &typed.x}, {y, &typed.y}}};
  if (!Ask(owner_, kAlignDialogTitle, form)) return std::nullopt;
  return typed;
}

std::optional<RotateTexts> Win32CopyDialogs::AskRotate(const std::string& units) {
  RotateTexts typed = rotate_;
  const std::string x = "Merkez X (about X), " + units, y = "Merkez Y (about Y), " + units;
  DialogForm form{{{"Açı (angle), ° saat yönü tersine (counter-clockwise)", &typed.degrees}, {x, &typed.x}, {y, &typed.y}}};
  if (!Ask(owner_, kRotateDialogTitle, form)) return std::nullopt;
  rotate_ = typed;
  return typed;
}

std::optional<MirrorTexts> Win32CopyDialogs::AskMirror(const std::string& units) {
  MirrorTexts typed = mirror_;
  const std::string value = "Değer (value), " + units;
  DialogForm form{{{value, &typed.value}}};
  form.choices.push_back({{"X = değer çizgisine göre (about X = value)", "Y = değer çizgisine göre (about Y = value)"},
                          &typed.acrossY});
  if (!Ask(owner_, kMirrorDialogTitle, form)) return std::nullopt;
  mirror_ = typed;
  return typed;
}

}  // namespace kestrom::win32
