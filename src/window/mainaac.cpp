#include "window/mainaac.h"

#include <QFontInfo>
#include <QPixmap>

#include "platform/consolewindow.h"
#include "settings/choices.h"
#include "window/images.h"

namespace corvane {

TAacMain* AacMain = nullptr;

namespace {

constexpr int kFontPixels = 11;
constexpr int kLargeFontPixels = 19;
constexpr int kListButtonSize = 32;
constexpr int kBrowseButtonSize = 25;

// A label sized to its text, as the description's are: where the face in use
// is wider than the one the sizes were taken with, the label grows to show its
// whole text, to the right or, for a centred one, evenly on both sides.
void FitToText(QLabel* label) {
    const int needed = label->fontMetrics().horizontalAdvance(label->text());
    if (label->wordWrap() || needed <= label->width()) {
        return;
    }
    const int growth = needed - label->width();
    const int left =
        (label->alignment() & Qt::AlignHCenter) ? label->x() - (growth + 1) / 2 : label->x();
    label->setGeometry(left, label->y(), needed, label->height());
}

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent, int x, int y, int w,
                  int h) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, w, h);
    label->setTextFormat(Qt::PlainText);
    FitToText(label);
    return label;
}

// A label of the about page: its text centred in it.
QLabel* MakeAboutLabel(const char* name, const QString& text, QWidget* parent, int x, int y, int w,
                       int h) {
    QLabel* label = MakeLabel(name, text, parent, x, y, w, h);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(x, y, w, h);
    FitToText(label);
    return label;
}

TSpeedButton* MakeListButton(const char* name, const char* hint, const QImage& glyph,
                             QWidget* parent, int y) {
    auto* button = new TSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(296, y, kListButtonSize, kListButtonSize);
    button->SetFlat(true);
    button->SetGlyph(glyph);
    button->SetHint(QString::fromLatin1(hint));
    return button;
}

TSpeedButton* MakeBrowseButton(const char* name, QWidget* parent, int y) {
    auto* button = new TSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(440, y, kBrowseButtonSize, kBrowseButtonSize);
    button->SetFlat(false);
    button->SetCaption(QStringLiteral(".."));
    return button;
}

QGroupBox* MakeGroupBox(const char* name, const char* title, QWidget* parent, int y) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setObjectName(QString::fromLatin1(name));
    // The caption stands on the frame's top line, as the description draws it,
    // so the folder label inside sits clear of the frame.
    box->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 7px; padding: 0px 1px; }"));
    box->setFont(TAacMain::WindowFont(11));
    box->setGeometry(176, y, 249, 41);
    return box;
}

TLabel* MakeFolderLabel(const char* name, const char* caption, QWidget* parent, int y, int w) {
    auto* label = new TLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(TAacMain::WindowFont(11));
    label->setGeometry(8, y, w, 13);
    label->SetBaseWidth(w);
    return label;
}

QCheckBox* MakeCheckBox(const char* name, const char* text, QWidget* parent, int y, int w,
                        bool checked) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(8, y, w, 17);
    box->setChecked(checked);
    return box;
}

TComboBox* MakeComboBox(const char* name, const char* accessibleName, TComboBox::Style style,
                        QWidget* parent, int y, int w) {
    auto* box = new TComboBox(style, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(8, y, w, 21);
    box->setAccessibleName(QString::fromLatin1(accessibleName));
    return box;
}

}  // namespace

QFont TAacMain::WindowFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    if (!QFontInfo(font).exactMatch()) {
        // The common fallback faces are wider than these; their condensed cut
        // keeps the texts within the widths the window gives them.
        font.setFamilies({QStringLiteral("DejaVu Sans")});
        font.setStyleName(QStringLiteral("Condensed"));
    }
    return font;
}

TAacMain::TAacMain(TApplication& application, SaveFailurePrompt saveFailurePrompt,
                   VolumeState& volumes)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      application_(application),
      saveFailurePrompt_(std::move(saveFailurePrompt)),
      processes_(ConsoleWindowFactory()) {
    setObjectName(QStringLiteral("AacMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(corvane::ProgramIcon());
    setFont(WindowFont(kFontPixels));
    setGeometry(201, 106, 482, 396);
    setFixedSize(482, 396);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setGeometry(0, 377, 482, 19);
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setAccessibleName(QStringLiteral("Status"));

    PageControl = new TPageControl(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setGeometry(0, 0, 482, 336);

    Corvane = new TTabSheet;
    Corvane->setObjectName(QStringLiteral("Corvane"));
    PageControl->AddPage(Corvane, QStringLiteral("Corvane"));

    ButtonPanel = new TPanel(TPanel::Bevel::Raised, TPanel::Bevel::Lowered, this);
    ButtonPanel->setObjectName(QStringLiteral("ButtonPanel"));
    ButtonPanel->setGeometry(0, 336, 482, 41);

    Settings = new TTabSheet;
    Settings->setObjectName(QStringLiteral("Settings"));
    PageControl->AddPage(Settings, QStringLiteral("Settings"));

    About = new TTabSheet;
    About->setObjectName(QStringLiteral("About"));
    PageControl->AddPage(About, QStringLiteral("About"));

    BuildCorvanePage();
    BuildSettingsPage();
    BuildAboutPage();
    BuildButtonPanel();
    BrowseFolder = std::make_unique<TBrowseFolder>(application_.DialogBoxes());
    (void)volumes;

    PageControl->SetActivePageIndex(0);
    SetTabOrders();
    WireEvents();

    AacMain = this;
    application_.SetMainWindow(this);
    DriveComboBox->RaiseInitialChange();
}

TAacMain::~TAacMain() {
    if (AacMain == this) {
        AacMain = nullptr;
    }
    if (application_.MainWindow() == this) {
        application_.SetMainWindow(nullptr);
    }
}

void TAacMain::BuildCorvanePage() {
    DirectoryListBox = new TDirectoryListBox(Corvane);
    DirectoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    DirectoryListBox->setGeometry(0, 34, 145, 273);

    Label1 = MakeLabel("Label1", QStringLiteral("Choose from:"), Corvane, 152, 16, 62, 13);
    Label2 = MakeLabel("Label2", QStringLiteral("Encode List:"), Corvane, 336, 16, 59, 13);

    FileListBox = new TFileListBox(Corvane);
    FileListBox->setObjectName(QStringLiteral("FileListBox"));
    FileListBox->setGeometry(152, 34, 137, 273);
    FileListBox->setAccessibleName(QStringLiteral("Choose from:"));

    DestList = new TListBox(Corvane);
    DestList->setObjectName(QStringLiteral("DestList"));
    DestList->setGeometry(336, 34, 129, 273);
    DestList->setAccessibleName(QStringLiteral("Encode List:"));

    DriveComboBox = new TDriveComboBox(Corvane);
    DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    DriveComboBox->setGeometry(0, 8, 145, 19);

    AddFileBtn = MakeListButton("AddFileBtn", "Add Selected", AddFileBtnGlyph(), Corvane, 72);
    AddAllBtn = MakeListButton("AddAllBtn", "Add All", AddAllBtnGlyph(), Corvane, 112);
    RemoveBtn = MakeListButton("RemoveBtn", "Remove Selected", RemoveBtnGlyph(), Corvane, 192);
    RemoveAllBtn = MakeListButton("RemoveAllBtn", "Remove All", RemoveAllBtnGlyph(), Corvane, 152);
}

void TAacMain::BuildSettingsPage() {
    Label3 = MakeLabel("Label3", QStringLiteral("Bitrate:"), Settings, 8, 98, 33, 13);
    Label4 = MakeLabel("Label4", QStringLiteral("Priority:"), Settings, 8, 148, 34, 13);

    BitrateBox =
        MakeComboBox("BitrateBox", "Bitrate:", TComboBox::Style::DropDownList, Settings, 115, 105);
    for (std::string_view entry : kBitrateEntries) {
        BitrateBox->AddItem(std::string(entry));
    }
    PriorityBox = MakeComboBox("PriorityBox", "Priority:", TComboBox::Style::DropDownList, Settings,
                               165, 105);
    for (const PriorityEntry& entry : kPriorityEntries) {
        PriorityBox->AddItem(std::string(entry.text));
    }
    BitrateBox->SetItemIndex(-1);
    PriorityBox->SetItemIndex(-1);

    Label5 = MakeLabel("Label5", QStringLiteral("Settings"), Settings, 8, 8, 66, 24);
    Label5->setFont(WindowFont(kLargeFontPixels));
    FitToText(Label5);

    CheckMinimize = MakeCheckBox("CheckMinimize", "Minimize on encode", Settings, 190, 121, false);
    CheckHideEnc = MakeCheckBox("CheckHideEnc", "Invisible Encoder", Settings, 215, 121, true);
    CheckBeep = MakeCheckBox("CheckBeep", "Beep when done", Settings, 240, 105, true);

    EncoderBox =
        MakeComboBox("EncoderBox", "Encoder type:", TComboBox::Style::DropDown, Settings, 65, 145);
    for (std::string_view entry : kEncoderEntries) {
        EncoderBox->AddItem(std::string(entry));
    }
    EncoderBox->SetItemIndex(-1);
    Label15 = MakeLabel("Label15", QStringLiteral("Encoder type:"), Settings, 8, 48, 66, 13);
    Label15->setBuddy(EncoderBox);
    Label3->setBuddy(BitrateBox);
    Label4->setBuddy(PriorityBox);

    GroupBox1 = MakeGroupBox("GroupBox1", "HomeBoy Directory:", Settings, 56);
    GroupBox2 = MakeGroupBox("GroupBox2", "Quartex Directory:", Settings, 120);
    BrowseButton1 = MakeBrowseButton("BrowseButton1", Settings, 64);
    BrowseButton2 = MakeBrowseButton("BrowseButton2", Settings, 128);
    HomeDir = MakeFolderLabel("HomeDir", kDefaultEncoderDir, GroupBox1, 15, 26);
    QuarDir = MakeFolderLabel("QuarDir", kDefaultEncoderDir, GroupBox2, 15, 26);
    GroupBox3 = MakeGroupBox("GroupBox3", "Output Directory", Settings, 176);
    BrowseButton3 = MakeBrowseButton("BrowseButton3", Settings, 184);
    OutputDir = MakeFolderLabel("OutputDir", kDefaultOutputDir, GroupBox3, 16, 34);
}

void TAacMain::BuildAboutPage() {
    Panel1 = new TPanel(TPanel::Bevel::Lowered, TPanel::Bevel::Raised, About);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 474, 308);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(32, 16, 33, 33);
    ProgramIcon->setPixmap(QPixmap::fromImage(ProgramIconImage()));
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setAccessibleName(QStringLiteral("Program icon"));

    Label8 =
        MakeAboutLabel("Label8", QStringLiteral("Corvane AAC Frontend"), Panel1, 105, 24, 257, 24);
    Label8->setFont(WindowFont(kLargeFontPixels));
    FitToText(Label8);
    Label9 = MakeAboutLabel("Label9", QStringLiteral("Version 0.5"), Panel1, 211, 56, 53, 13);
    Label10 = MakeAboutLabel("Label10", QStringLiteral("(C) 2026 the Corvane developers"), Panel1,
                             137, 88, 201, 13);
    Label12 = MakeAboutLabel("Label12", QStringLiteral("Code: the developers"), Panel1, 184, 115,
                             105, 13);
    Label13 = MakeAboutLabel("Label13", QStringLiteral("Advice: the Corvane developers"), Panel1,
                             161, 141, 152, 13);
    Label14 =
        MakeAboutLabel("Label14", QStringLiteral("Art: the developers"), Panel1, 184, 168, 106, 13);
    Label11 = MakeAboutLabel(
        "Label11",
        QStringLiteral("Corvane is freeware: use and share it freely. Send suggestions and fault "
                       "reports to the project's issue tracker."),
        Panel1, 112, 208, 251, 39);
    Label11->setWordWrap(true);
    Label11->setGeometry(112, 208, 251, 39);
    Label6 = MakeAboutLabel("Label6", QStringLiteral("Newer versions are found at"), Panel1, 162,
                            264, 150, 13);
    Label7 = MakeAboutLabel("Label7", QStringLiteral("the Corvane project's releases page"), Panel1,
                            113, 280, 248, 13);
}

void TAacMain::BuildButtonPanel() {
    EncodeBtn = new TSpeedButton(ButtonPanel);
    EncodeBtn->setObjectName(QStringLiteral("EncodeBtn"));
    EncodeBtn->setGeometry(176, 6, 129, 30);
    EncodeBtn->SetFlat(true);
    EncodeBtn->SetGlyph(EncodeBtnGlyph());
    EncodeBtn->SetHint(QStringLiteral("Just Do It"));

    KillEncode = new TSpeedButton(ButtonPanel);
    KillEncode->setObjectName(QStringLiteral("KillEncode"));
    KillEncode->setGeometry(176, 6, 129, 30);
    KillEncode->SetFlat(true);
    KillEncode->SetGlyph(KillEncodeGlyph());
    KillEncode->SetHint(QStringLiteral("Stop Encode"));
    KillEncode->SetShowHint(false);
    KillEncode->hide();
}

void TAacMain::SetTabOrders() {
    QWidget::setTabOrder(PageControl->Tabs(), DirectoryListBox);
    QWidget::setTabOrder(DirectoryListBox, FileListBox);
    QWidget::setTabOrder(FileListBox, DestList);
    QWidget::setTabOrder(DestList, DriveComboBox);
    QWidget::setTabOrder(DriveComboBox, BitrateBox);
    QWidget::setTabOrder(BitrateBox, PriorityBox);
    QWidget::setTabOrder(PriorityBox, CheckMinimize);
    QWidget::setTabOrder(CheckMinimize, CheckHideEnc);
    QWidget::setTabOrder(CheckHideEnc, CheckBeep);
    QWidget::setTabOrder(CheckBeep, EncoderBox);
}

}  // namespace corvane
