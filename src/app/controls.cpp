#include "app/controls.h"

#include <stdexcept>

namespace kurumin {

Control& ControlSet::add(Control c) {
    const QString name = c.name;
    auto [it, inserted] = byName_.emplace(name, std::move(c));
    if (!inserted) throw std::logic_error("duplicate control " + name.toStdString());
    order_.push_back(name);
    return it->second;
}

Control* ControlSet::find(const QString& name) {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : &it->second;
}

const Control* ControlSet::find(const QString& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : &it->second;
}

Control& ControlSet::operator[](const QString& name) {
    if (Control* c = find(name)) return *c;
    throw std::out_of_range("no control " + name.toStdString());
}

const Control& ControlSet::operator[](const QString& name) const {
    if (const Control* c = find(name)) return *c;
    throw std::out_of_range("no control " + name.toStdString());
}

namespace {

// The layout is drawn on a 96-dpi grid of pixels; a pixel there is 15 twips.
constexpr int px(int pixels) {
    return pixels * 15;
}

struct ControlDesign {
    const char* name;
    ControlKind kind;
    const char* caption;
    const char* toolTip;
    int x, y, w, h; // pixels at 96 dpi
    bool clickable;
    bool enabled;
    Color fore;
};

Control make(const ControlDesign& s) {
    Control c;
    c.name = QString::fromUtf8(s.name);
    c.kind = s.kind;
    c.caption = QString::fromUtf8(s.caption);
    c.toolTip = QString::fromUtf8(s.toolTip);
    c.geo = {px(s.x), px(s.y), px(s.w), px(s.h)};
    c.clickable = s.clickable;
    c.enabled = s.enabled;
    c.fore = s.fore;
    if (s.kind == ControlKind::TextBox || s.kind == ControlKind::MemoBox ||
        s.kind == ControlKind::ComboBox)
        c.align = Align::Left;
    return c;
}

using K = ControlKind;
constexpr Color R = colors::Rest;

// clang-format off
const ControlDesign kPanel[] = {
    // Folded part: the three rows that stay visible in 685 twips.
    {"Pic1",          K::Picture, "",      "",                             1,  2,   8, 14, false, true, R},
    {"txtNow",        K::TextBox, "",      "",                            10,  2, 124, 14, false, true, colors::Black},
    {"lblCripDirect", K::Label,   "CRIP",  "",                           135,  2,  26, 14, false, true, R},
    {"Command6(0)",   K::Button,  "×",     "Kuruminの終了",              163,  2,  17, 14, true,  true, colors::White},
    {"Label3",        K::Label,   "←",     "",                             1, 17,  10, 13, true,  true, colors::Blue},
    {"Label2",        K::Label,   "→",     "",                            11, 17,  10, 13, true,  true, colors::Blue},
    {"lblCUT",        K::Label,   "PICK",  "変動数値抽出",                22, 17,  24, 13, true,  false, R},
    {"txtNo",         K::TextBox, "0",     "",                            47, 17,  34, 13, false, false, colors::Black},
    {"cmdUP",         K::Button,  "+",     "",                            82, 17,  10,  6, true,  false, colors::Black},
    {"Command1",      K::Button,  "-",     "",                            82, 24,  10,  6, true,  false, colors::Black},
    {"DWNbutton",     K::Button,  "-",     "カウントダウン・ブラウズ",    94, 17,  13, 13, true,  false, colors::Black},
    {"UPbutton",      K::Button,  "+",     "カウントアップ・ブラウズ",   108, 17,  13, 13, true,  false, colors::Black},
    {"lblDWN",        K::Label,   "DWN",   "数値を減算して閲覧",         123, 17,  26, 13, true,  true, R},
    {"lblUP",         K::Label,   "UP",    "数値を加算して閲覧",         150, 17,  20, 13, true,  true, colors::DarkRed},
    {"Sh1",           K::Shape,   "",      "",                           173, 20,   7,  7, false, true, colors::Black},
    {"Label1",        K::Label,   "[SET]", "手動閲覧",                     1, 31,  28, 13, true,  false, R},
    {"txtLimL",       K::TextBox, "0",     "下限リミッタ",                30, 31,  26, 13, false, true, colors::Black},
    {"lbl",           K::Label,   "/",     "",                            57, 31,   6, 13, false, false, R},
    {"txtLimH",       K::TextBox, "0",     "上限リミッタ",                64, 31,  26, 13, false, true, colors::Black},
    {"lblLIMIT",      K::Label,   "ON",    "数値リミット自動認識 On/Off", 92, 31,  20, 13, true,  true, colors::Red},
    {"lblAuto",       K::Label,   "AUTO",  "自動閲覧 On/Off",            113, 31,  30, 13, true,  true, colors::Red},
    {"lblOPEN",       K::Label,   "▼",     "詳細",                       145, 31,  14, 13, true,  true, R},
    {"lblEXIT",       K::Label,   "",      "Kuruminの終了",              163, 31,  17, 13, true,  true, colors::White},

    // Unfolded part: keep list, history, clipboard and memo tools.
    {"lblKeep",       K::Label,   "KEEP",  "",                             1, 48,  28, 14, false, true, R},
    {"List1",         K::ComboBox, "",     "",                            30, 48, 128, 14, false, true, colors::Black},
    {"lblCNT",        K::Label,   "0",     "リスト保存件数",             160, 48,  20, 14, false, true, R},
    {"Text1",         K::TextBox, "",      "登録名",                       1, 63,  70, 15, false, true, colors::Black},
    {"Command3",      K::Button,  "KEEP",  "URLをリストに保存",           72, 63,  34, 15, true,  true, colors::Black},
    {"Command2",      K::Button,  "BROWSE","リストのWebページを開く",    107, 63,  44, 15, true,  true, colors::Black},
    {"Command4",      K::Button,  "DEL",   "選択中リストの削除",         152, 63,  28, 15, true,  true, colors::Black},
    {"Label9",        K::Label,   "REC",   "ＵＲＬのみ履歴の保存",         1, 80,  26, 14, true,  true, R},
    {"Label6",        K::Label,   "TREC",  "ＩＥページタイトル取得情報なし", 28, 80, 30, 14, true, true, R},
    {"Label8",        K::Label,   "CH",    "履歴の確認",                  59, 80,  20, 14, true,  true, R},
    {"Command11",     K::Button,  "...",   "ファイルを開く",              80, 80,  20, 14, true,  true, colors::Black},
    {"lblAccess",     K::Label,   "CLS",   "クリップボードとKuruminのクリア", 102, 80, 24, 14, true, true, R},
    {"lblEDIT",       K::Label,   "HELP",  "",                           128, 80,  28, 14, true,  true, R},
    {"txtKeyWord",    K::TextBox, "://",   "",                           158, 80,  22, 14, false, true, colors::Black},
    {"lblAddText",    K::Label,   "ADD-TEXT", "",                          1, 96,  44, 14, false, true, R},
    {"Text2",         K::TextBox, "http://", "[ADD]ボタンで付加する文字", 46, 96,  98, 14, false, true, colors::Black},
    {"Command5",      K::Button,  "",      "ADD-TEXT を付加してブラウズ", 146, 96, 16, 14, true,  false, colors::Black},
    {"Command10",     K::Button,  "",      "再ブラウズ",                 164, 96,  16, 14, true,  false, colors::Black},
    {"lblMemo",       K::Label,   "MEMO",  "",                             1, 112, 30, 14, false, true, R},
    {"Command7",      K::Button,  "INPUT", "クリップボードから取込み",    60, 112, 38, 14, true,  true, colors::Black},
    {"Command8",      K::Button,  "OUTPUT","クリップボードへ送る",        99, 112, 44, 14, true,  true, colors::Black},
    {"Command9",      K::Button,  "ADD",   "ADD-TEXTの追加",             144, 112, 36, 14, true,  true, colors::Black},
    {"txtMemo",       K::MemoBox, "",      "",                             1, 127, 179, 52, false, true, colors::Black},
    {"Picture1",      K::Picture, "",      "",                             1, 181, 158, 14, false, true, R},
    {"Command6(1)",   K::Button,  "×",     "Kuruminの終了",              163, 181,  17, 14, true, true, colors::White},

    // Outside the visible panel.
    {"List2",         K::ListBox, "",      "",                           240,  0,  60, 30, false, true, colors::Black},
};
// clang-format on

} // namespace

ControlSet designPanel() {
    ControlSet set;
    for (const ControlDesign& s : kPanel)
        set.add(make(s));

    set["List2"].visible = false;
    for (const char* exit : {"Command6(0)", "Command6(1)", "lblEXIT"})
        set[QString::fromUtf8(exit)].back = colors::DarkRed;
    set["Sh1"].back = colors::Black; // the lamp's fill
    set["txtNo"].align = Align::Right;
    set["txtLimL"].align = Align::Center;
    set["txtLimH"].align = Align::Center;
    set["Label6"].align = Align::Center;

    // The tuck-away strip, right of the panel's normal width.
    Control strip;
    strip.name = QStringLiteral("lbl10");
    strip.kind = ControlKind::Label;
    strip.clickable = true;
    strip.back = colors::StripGrey;
    strip.toolTip = QStringLiteral("クリックするとKuruminが元の位置に戻ります");
    strip.geo = {2745, 30, 210, 630};
    set.add(strip);

    Control lamp;
    lamp.name = QStringLiteral("lnp");
    lamp.kind = ControlKind::Label;
    lamp.back = colors::Red;
    lamp.geo = {2790, 60, 120, 60};
    set.add(lamp);
    return set;
}

ControlSet designStepWindow(bool up) {
    ControlSet set;
    for (int i = 0; i <= 6; ++i) {
        Control c;
        c.name = stepLabelName(i);
        c.kind = ControlKind::Label;
        c.clickable = true;
        c.caption = i == 0 ? QStringLiteral("Close")
                           : QString(up ? u'+' : u'-') + QString::number(StepWindowSteps[i]);
        c.fore = colors::PanelText;
        c.back = colors::PanelBack;
        const int top = i == 0 ? 1500 : 60 + (i - 1) * 240;
        c.geo = {45, top, 495, 195};
        c.align = i == 0 ? Align::Center : Align::Right;
        set.add(c);
    }
    return set;
}

QString stepLabelName(int index) {
    return QStringLiteral("Label1(%1)").arg(index);
}

} // namespace kurumin
