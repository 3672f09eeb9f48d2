#include "settings/options_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

#include "platform/application.h"
#include "platform/qt_convert.h"
#include "settings/setting_keys.h"
#include "settings/spin_edit.h"
#include "todolist/todo_list.h"

namespace {

// A label left of a control: as wide as the room before the control, its font made a
// little smaller when the caption would not fit otherwise.
void FitLabel(QLabel* label, int room) {
    QFont font = label->font();
    while (label->sizeHint().width() > room && font.pixelSize() > 9) {
        font.setPixelSize(font.pixelSize() - 1);
        label->setFont(font);
    }
    label->resize(room, label->sizeHint().height());
}

// The entries of FieldList are 13 pixels high where the font leaves room for it.
int EntryHeight(const QWidget& list) {
    return std::max(13, list.fontMetrics().height() + 1);
}

}  // namespace

TfrmOptions::TfrmOptions(IOptionsHost& host, TPlatformServices platform, QWidget* parent)
    : QDialog(parent), host_(host), platform_(platform) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Pellmark - Options"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(570, 476);
    // The controls stand at fixed places measured for a font 11 pixels high; the
    // desktop's face at that height keeps every caption inside its control.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    openDialog1_.Title = QStringLiteral("Select Todo List");
    openDialog1_.DefaultExt = QStringLiteral(".2do");
    openDialog1_.Filter = QStringLiteral("Todo List Files|*.2do|All Files|*.*");
    openDialog1_.FilterIndex = 1;

    BuildControls();
    ConnectActions();

    // Creation: the default columns, and the preview height the list has now.
    for (int entry : {0, 1, 2, 4, 5, 6}) {
        SetFieldChecked(entry, true);
    }
    spinEdit1_->SetValue(host_.OptionsList().PreviewHeight());
}

TfrmOptions::~TfrmOptions() = default;

QCheckBox* TfrmOptions::AddCheck(QWidget* parent, const char* name, const QString& caption, int x,
                                 int y) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setCursor(Qt::PointingHandCursor);
    box->move(x, y);
    box->resize(std::min(box->sizeHint().width(), parent->width() - x - 4),
                box->sizeHint().height());
    return box;
}

QPushButton* TfrmOptions::AddButton(const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setCursor(Qt::PointingHandCursor);
    button->setAttribute(Qt::WA_Hover);
    // Styles that ignore the palette for the face still honour autoFillBackground.
    button->setAutoFillBackground(true);
    button->installEventFilter(this);
    SetButtonFace(button, false);
    return button;
}

void TfrmOptions::SetButtonFace(QPushButton* button, bool hovered) {
    QPalette p = button->palette();
    p.setColor(QPalette::Button, ToQColor(hovered ? clLime : clBtnFace, palette()));
    button->setPalette(p);
}

bool TfrmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        if (event->type() == QEvent::Enter) {
            SetButtonFace(button, true);
        } else if (event->type() == QEvent::Leave) {
            SetButtonFace(button, false);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmOptions::BuildControls() {
    // Created in tab order.
    groupBox_ = new QGroupBox(QStringLiteral("  General Settings  "), this);
    groupBox_->setGeometry(16, 16, 353, 241);

    ckPreviewNotes_ =
        AddCheck(groupBox_, "ckPreviewNotes", QStringLiteral("Preview notes"), 48, 32);
    ckPreviewNotes_->resize(std::min(ckPreviewNotes_->width(), 192 - 48 - 4),
                            ckPreviewNotes_->height());
    checkBox4_ = AddCheck(groupBox_, "CheckBox4", QStringLiteral("Show sort indicator"), 48, 56);
    ckAutoDeleteKey_ = AddCheck(groupBox_, "ckAutoDeleteKey",
                                QStringLiteral("Automatic delete with Delete key"), 48, 80);
    ckAutoInsertKey_ = AddCheck(groupBox_, "ckAutoInsertKey",
                                QStringLiteral("Automatic insert with Insert key"), 48, 104);

    auto* heightLabel = new QLabel(QStringLiteral("Preview height :"), groupBox_);
    heightLabel->move(192, 32);
    FitLabel(heightLabel, 274 - 192 - 1);
    spinEdit1_ = new TSpinEdit(groupBox_);
    spinEdit1_->setObjectName(QStringLiteral("SpinEdit1"));
    spinEdit1_->setGeometry(274, 29, 63, spinEdit1_->sizeHint().height());
    heightLabel->setBuddy(spinEdit1_);

    ckAsktoSave_ = AddCheck(groupBox_, "ckAsktoSave",
                            QStringLiteral("Always ask to save Todolist on program exit"), 48, 128);
    ckHideScroll_ = AddCheck(groupBox_, "ckHideScroll",
                             QStringLiteral("Hide horizontal scroll bar in main window."), 48, 152);
    ckHideButtons_ =
        AddCheck(groupBox_, "ckHideButtons",
                 QStringLiteral("Hide Create and Delete buttons in main window."), 48, 176);
    ckAutoSave_ = AddCheck(groupBox_, "ckAutoSave",
                           QStringLiteral("Auto-save the Todolist every 10 minutes."), 48, 200);

    auto* columnsLabel = new QLabel(QStringLiteral("View Columns:"), this);
    columnsLabel->move(392, 14);
    fieldList_ = new QListWidget(this);
    fieldList_->setObjectName(QStringLiteral("FieldList"));
    fieldList_->setGeometry(392, 32, 145, 161);
    fieldList_->setUniformItemSizes(true);
    for (const TFieldEntry& field : FieldEntries) {
        auto* item = new QListWidgetItem(QString::fromLatin1(field.Text), fieldList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(0, EntryHeight(*fieldList_)));
    }
    columnsLabel->setBuddy(fieldList_);

    auto* startupLabel = new QLabel(QStringLiteral("Start-up Todo list file:"), this);
    startupLabel->move(16, 276);
    txtStartupFile_ = new QLineEdit(this);
    txtStartupFile_->setObjectName(QStringLiteral("txtStartupFile"));
    txtStartupFile_->setGeometry(128, 272, 313, txtStartupFile_->sizeHint().height());
    FitLabel(startupLabel, 128 - 16 - 1);
    startupLabel->setBuddy(txtStartupFile_);

    btnStartupFile_ = AddButton("btnStartupFile", QStringLiteral("&Browse"), {448, 272, 89, 24});
    btnSelectPrevFont_ =
        AddButton("btnSelectPrevFont", QStringLiteral("Select Preview Font"), {16, 320, 137, 41});
    btnSelPriorityFont_ = AddButton("btnSelPriorityFont", QStringLiteral("Select Priority Font"),
                                    {176, 320, 121, 41});
    btnClose_ = AddButton("btnClose", QStringLiteral("&Save"), {232, 400, 97, 33});
    btnClose_->setDefault(true);
}

void TfrmOptions::SetButtonIcons() {
    btnStartupFile_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    btnSelectPrevFont_->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    btnSelPriorityFont_->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    btnClose_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
}

void TfrmOptions::ConnectActions() {
    TCustomTodoList& list = host_.OptionsList();
    // Actions follow the state, so a check set by the show handler acts like a click
    // whenever it changes the state.
    connect(ckPreviewNotes_, &QCheckBox::toggled, this, &TfrmOptions::PreviewNotesClicked);
    connect(checkBox4_, &QCheckBox::toggled, this, &TfrmOptions::SortIndicatorClicked);
    connect(ckAutoDeleteKey_, &QCheckBox::toggled, this,
            [&list](bool checked) { list.SetAutoDeleteItem(checked); });
    connect(ckAutoInsertKey_, &QCheckBox::toggled, this,
            [&list](bool checked) { list.SetAutoInsertItem(checked); });
    spinEdit1_->OnChange = [&list](TSpinEdit* sender) { list.SetPreviewHeight(sender->Value()); };
    connect(ckHideScroll_, &QCheckBox::toggled, this, [this](bool checked) {
        Guard([&] {
            host_.SetListFillsScrollBox(checked);
            WriteFlag(stHideScroll, checked);
        });
    });
    connect(ckHideButtons_, &QCheckBox::toggled, this, [this](bool checked) {
        Guard([&] {
            host_.SetButtonsVisible(!checked);
            WriteFlag(stHideButtons, checked);
        });
    });
    connect(ckAutoSave_, &QCheckBox::toggled, this, [this](bool checked) {
        Guard([&] {
            host_.SetAutoSaveEnabled(checked);
            WriteFlag(stAutoSave, checked);
        });
    });
    connect(fieldList_, &QListWidget::itemChanged, this, &TfrmOptions::FieldToggled);
    connect(btnStartupFile_, &QPushButton::clicked, this, &TfrmOptions::BrowseStartupFile);
    connect(btnSelectPrevFont_, &QPushButton::clicked, this, &TfrmOptions::SelectPreviewFont);
    connect(btnSelPriorityFont_, &QPushButton::clicked, this, &TfrmOptions::SelectPriorityFont);
    connect(btnClose_, &QPushButton::clicked, this, &TfrmOptions::SaveClicked);
}

bool TfrmOptions::Guard(const std::function<void()>& step) {
    return RunShowingErrors(platform_.Messages, step);
}

void TfrmOptions::ShowOptions() {
    show();
    raise();
    activateWindow();
}

QString TfrmOptions::StartupFileText() const {
    return txtStartupFile_->text();
}

void TfrmOptions::SetStartupFileText(const QString& text) {
    txtStartupFile_->setText(text);
}

void TfrmOptions::SetAutoSaveChecked(bool checked) {
    ckAutoSave_->setChecked(checked);
}

bool TfrmOptions::FieldChecked(int entry) const {
    const QListWidgetItem* item = fieldList_->item(entry);
    return item && item->checkState() == Qt::Checked;
}

void TfrmOptions::SetFieldChecked(int entry, bool checked) {
    if (QListWidgetItem* item = fieldList_->item(entry)) {
        settingFields_ = true;
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        settingFields_ = false;
    }
}

void TfrmOptions::SetCurrentField(int entry) {
    fieldList_->setCurrentRow(entry);
}

// Handlers -------------------------------------------------------------------------------

void TfrmOptions::PreviewNotesClicked(bool checked) {
    Guard([&] {
        TCustomTodoList& list = host_.OptionsList();
        list.SetPreview(checked);
        // The notes move between the grid and the preview band.
        if (FieldChecked(NotesField)) {
            if (checked) {
                list.RemoveColumn(tdNotes);
            } else {
                list.AddColumn(tdNotes, "Notes");
            }
        }
    });
}

void TfrmOptions::SortIndicatorClicked(bool checked) {
    Guard([&] {
        TCustomTodoList& list = host_.OptionsList();
        list.SetSorted(checked);
        if (list.Sorted()) {
            list.SetSortColumn(1);
        }
    });
}

void TfrmOptions::FieldToggled(QListWidgetItem*) {
    if (settingFields_) {
        return;
    }
    Guard([&] { ReloadFields(*this, host_.OptionsList()); });
}

void TfrmOptions::BrowseStartupFile() {
    Guard([&] {
        if (platform_.Dialogs.OpenFile(openDialog1_)) {
            txtStartupFile_->setText(openDialog1_.FileName);
        }
    });
}

void TfrmOptions::SelectPreviewFont() {
    Guard([&] {
        TFont font = host_.OptionsList().PreviewFont();
        if (platform_.Dialogs.SelectFont(font)) {
            host_.OptionsList().SetPreviewFont(font);
        }
    });
}

void TfrmOptions::SelectPriorityFont() {
    Guard([&] {
        TFont font = host_.OptionsList().PriorityFont();
        if (platform_.Dialogs.SelectFont(font)) {
            host_.OptionsList().SetPriorityFont(font);
        }
    });
}

void TfrmOptions::SaveClicked() {
    if (Guard([&] { SaveColVis(*this); })) {
        close();
    }
}

void TfrmOptions::reject() {
    // Escape closes the dialog the ordinary way, with the close-time writes.
    close();
}

void TfrmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;  // the desktop showing it again after a minimise is no new showing
    }
    if (!centred_) {
        centred_ = true;
        // The style's icons are decoded from images: the dialog is made at the program's
        // start, but they are needed only when it is first shown.
        SetButtonIcons();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    // The stored choices, applied again through the boxes' own actions.
    Guard([&] {
        ckAsktoSave_->setChecked(FlagIsOn(stAskToSave));
        ckPreviewNotes_->setChecked(FlagIsOn(stPrevNotes));
        ckAutoDeleteKey_->setChecked(FlagIsOn(stAutoDeleteKey));
        ckAutoInsertKey_->setChecked(FlagIsOn(stAutoInsertKey));
        ckHideScroll_->setChecked(FlagIsOn(stHideScroll));
        ckHideButtons_->setChecked(FlagIsOn(stHideButtons));
    });
}

void TfrmOptions::CloseWrites() {
    WriteFlag(stAskToSave, ckAsktoSave_->isChecked());
    WriteFlag(stPrevNotes, ckPreviewNotes_->isChecked());
    WriteFlag(stAutoDeleteKey, ckAutoDeleteKey_->isChecked());
    WriteFlag(stAutoInsertKey, ckAutoInsertKey_->isChecked());
    WriteFlag(stHideScroll, ckHideScroll_->isChecked());
    host_.SetListFillsScrollBox(ckHideScroll_->isChecked());
    // A box of three characters or fewer keeps the stored file; blanks alone switch it off.
    const QString startup = txtStartupFile_->text();
    if (startup.size() > 3) {
        WriteSetting(stStartupFile, startup.trimmed());
    }
}

void TfrmOptions::closeEvent(QCloseEvent* event) {
    // The close is always allowed; a failing write is shown and the dialog still hides.
    Guard([&] { CloseWrites(); });
    event->accept();
}
