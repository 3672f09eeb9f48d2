#include "app/main_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/edit_history.h"
#include "app/keyboard_menu.h"
#include "app/print_list.h"
#include "app/sync_controller.h"
#include "app/sync_dialog.h"
#include "app/tray_icon.h"
#include "data/app_icon.h"
#include "model/list_lock.h"
#include "platform/application.h"
#include "platform/qt_convert.h"
#include "settings/column_layout.h"
#include "settings/ini_proc.h"
#include "settings/options_dialog.h"
#include "settings/setting_keys.h"
#include "todolist/todo_list.h"
#include "widgets/hover_button.h"
#include "widgets/status_bar.h"

namespace {

constexpr int kListWidth = 1050;
constexpr int kAutoSaveInterval = 600000;

// The first-run placement, also used when a stored one cannot be applied.
constexpr int kDefaultLeft = SettingDefault(stLeft);
constexpr int kDefaultTop = SettingDefault(stTop);
constexpr int kDefaultWidth = SettingDefault(stWidth);
constexpr int kDefaultHeight = SettingDefault(stHeight);

int SizeFromSetting(const QString& stored, int fallback) {
    if (stored == kSettingAbsent) {
        return fallback;
    }
    // The stored size plus one, kept inside what a window can be.
    const long long size = static_cast<long long>(StrToInt(stored)) + 1;
    return static_cast<int>(std::clamp<long long>(size, 0, QWIDGETSIZE_MAX));
}

}  // namespace

QString CaptionFor(const QString& path) {
    return kApplicationTitle + QStringLiteral(" - ") + QFileInfo(path).fileName();
}

int StrToInt(const QString& text) {
    bool digits = !text.isEmpty();
    for (qsizetype i = 0; i < text.size() && digits; ++i) {
        const QChar c = text[i];
        digits = c.isDigit() || (i == 0 && c == QLatin1Char('-') && text.size() > 1);
    }
    bool ok = false;
    const int value = digits ? text.toInt(&ok, 10) : 0;
    if (!ok) {
        throw EConvertError(FormatMessage("'%s' is not a valid integer value", text));
    }
    return value;
}

TForm1::TForm1(TPlatformServices platform, std::unique_ptr<ITrayService> tray, QWidget* parent)
    : QMainWindow(parent), platform_(platform), layoutFileName_(ColumnLayoutFileName()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(PellmarkIcon());

    openDialog1_.Title = QStringLiteral("Open Todolist");
    openDialog1_.DefaultExt = QStringLiteral(".2do");
    openDialog1_.Filter = QStringLiteral("Todolist files|*.2do|All files|*.*");
    openDialog1_.FilterIndex = 1;
    saveDialog1_.Title = QStringLiteral("Save Todolist");
    saveDialog1_.DefaultExt = QStringLiteral(".2do");
    saveDialog1_.Filter = QStringLiteral("Todolist Files|*.2do|All Files|*.*");
    saveDialog1_.FilterIndex = 1;

    autoSaveTimer_.setObjectName(QStringLiteral("AutoSaveTimer"));
    autoSaveTimer_.setInterval(kAutoSaveInterval);
    connect(&autoSaveTimer_, &QTimer::timeout, this, &TForm1::AutoSaveTick);

    BuildLayout();
    ConfigureList();
    AddSampleContent();
    BuildMenus();
    BuildEditing();
    BuildTray(std::move(tray));

    runOnce1_ = new TRunOnce(this, this);
    runOnce1_->setObjectName(QStringLiteral("RunOnce1"));
    runOnce1_->OnError = [this](TRunOnce*, const QString& message) {
        platform_.Messages.ShowError(ErrorBoxText(message));
    };
    BuildOutsideLinks();

    // Where the window stands until the start-up sequence places it.
    resize(kDefaultWidth, kDefaultHeight);
    move(kDefaultLeft, kDefaultTop);
}

TForm1::~TForm1() = default;

// Construction ---------------------------------------------------------------------------

void TForm1::BuildLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    scrollBox1_ = new QScrollArea(central);
    scrollBox1_->setObjectName(QStringLiteral("ScrollBox1"));
    scrollBox1_->setFrameShape(QFrame::NoFrame);
    scrollBox1_->setFocusPolicy(Qt::NoFocus);  // the list inside takes the focus
    scrollBox1_->setWidgetResizable(true);
    scrollBox1_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    todoList1_ = new TTodoList();
    todoList1_->setObjectName(QStringLiteral("TodoList1"));
    // The Insert key's dates and the integer editor's beep come from the platform.
    todoList1_->SetClock(&platform_.Clock);
    scrollBox1_->setWidget(todoList1_);
    LayoutList();
    layout->addWidget(scrollBox1_, 1);

    panelBtm_ = new QWidget(central);
    panelBtm_->setObjectName(QStringLiteral("Panel_btm"));
    panelBtm_->setFixedHeight(45);
    auto makeButton = [this](const char* name, const QString& caption, int x, TGlyph glyph,
                             const QString& tip, TColor hover) {
        auto* button = new THoverButton(caption, panelBtm_);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(x, 8, 110, 26);
        button->setIcon(GlyphIcon(glyph));
        button->setToolTip(tip);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::TabFocus);
        button->SetFaceColor(ToQColor(clBtnFace, palette()));
        button->SetHoverColor(ToQColor(hover, palette()));
        return button;
    };
    btnCreateItem_ = makeButton("btnCreateItem", QStringLiteral("&Create Item"), 184, TGlyph::Add,
                                QStringLiteral("Create a new todo item"), clLime);
    btnDeleteItem_ = makeButton("btnDeleteItem", QStringLiteral("&Delete Item"), 360,
                                TGlyph::Delete, QStringLiteral("Delete selected item"), clRed);
    connect(btnCreateItem_, &QPushButton::clicked, this,
            [this] { RunCommand([this] { CreateItem(); }); });
    connect(btnDeleteItem_, &QPushButton::clicked, this,
            [this] { RunCommand([this] { DeleteItem(); }); });
    layout->addWidget(panelBtm_);
    setCentralWidget(central);

    // Enter presses the default button (or the focused one) and Escape the cancel button,
    // unless the focused control takes the key for itself (an editor accepts the key's
    // shortcut-override event).
    auto pressDefault = [this] {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* target = focused ? focused : btnCreateItem_;
        if (target->isVisible() && target->isEnabled()) {
            target->click();
        }
    };
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, pressDefault);
    }
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancel, &QShortcut::activated, this, [this] {
        if (btnDeleteItem_->isVisible() && btnDeleteItem_->isEnabled()) {
            btnDeleteItem_->click();
        }
    });
    // Tab never reaches the rows (the list is no tab stop); F6 puts the keyboard focus there.
    auto* toRows = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(toRows, &QShortcut::activated, this,
            [this] { todoList1_->ListBox()->setFocus(Qt::ShortcutFocusReason); });

    statusBar1_ = new TStatusBar(this);
    statusBar1_->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(statusBar1_);
    statusBar1_->SetHint(QStringLiteral("No file loaded..."));
    statusBar1_->SetNotice(kOwnershipNotice);
    statusBar1_->SetClockText([this] {
        return FormatDateTime(QStringLiteral("mm/dd/yyyy h:nn am/pm"), platform_.Clock.Now(),
                              platform_.FormatSettings);
    });
}

void TForm1::ConfigureList() {
    TTodoList& list = *todoList1_;
    list.SetAutoAdvanceEdit(false);
    list.SetAutoInsertItem(false);
    list.SetAutoDeleteItem(false);
    list.SetEditable(true);
    list.SetEditSelectAll(false);
    list.CompleteCheck().SetCheckType(ctCheckBox);

    // The desktop's own face and size: an empty font name stands for the default font.
    TFont plain;
    plain.Color = clWindowText;
    TFont completion;
    completion.Color = clGray;
    completion.Style = fsStrikeOut;
    TFont preview;
    preview.Color = clBlue;
    TFont priority;
    priority.Color = clRed;
    list.SetColor(clWindow);
    list.SetFont(plain);
    list.SetHeaderFont(plain);
    list.SetCompletionFont(completion);
    list.SetPreviewFont(preview);
    list.SetPriorityFont(priority);

    list.SetDateFormat(QStringLiteral("MM/d/yyyy"));
    list.SetGridLines(false);
    list.SetItemHeight(18);
    list.SetPreview(false);
    list.SetPreviewHeight(32);

    TProgressLook& look = list.ProgressLook();
    look.SetCompleteColor(clRed);
    look.SetCompleteFontColor(clWhite);
    look.SetUnCompleteColor(clWindow);
    look.SetUnCompleteFontColor(clWindowText);
    list.SetSelectionColor(clHighlight);
    list.SetSelectionFontColor(clHighlightText);
    list.SetShowSelection(true);
    list.SetSorted(false);
    list.SetSortDirection(sdAscending);
    list.SetSortColumn(0);
    list.SetTabStop(false);
    TEditColors& editors = list.EditColors();
    for (TBackForeColors* colors :
         {&editors.StringEditor(), &editors.MemoEditor(), &editors.IntegerEditor(),
          &editors.PriorityEditor(), &editors.StatusEditor(),
          static_cast<TBackForeColors*>(&editors.DateEditor())}) {
        colors->SetFontColor(clWindowText);
        colors->SetBackColor(clWindow);
    }

    list.OnClick = [this](QObject*) { ListClick(); };
    list.OnMouseDown = [this](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int x,
                              int y) { ListMouseDown(button, x, y); };
    new TKeyboardMenu(list.ListBox(), [this] { ListKeyboardMenu(); });  // owned by the rows
}

void TForm1::AddSampleContent() {
    TTodoList& list = *todoList1_;
    TTodoColumnItem* done = list.AddColumn(tdComplete, "Done");
    done->SetWidth(35);
    done->SetAlignment(taCenter);
    list.AddColumn(tdSubject, "Subject");
    list.AddColumn(tdResource, "Resource");
    list.AddColumn(tdNotes, "Notes");
    list.AddColumn(tdPriority, "Priority");
    list.AddColumn(tdCompletion, "Completion");

    struct TSample {
        const char* Subject;
        const char* Resource;
        const char* Notes;
        TTodoPriority Priority;
        TCompletion Completion;
    };
    const TSample samples[] = {
        {"Using Pellmark", "Me", "Using Pellmark to manage all my todo's", tpNormal, 5},
        {"Manual", "Corvelle", "Add more features to Pellmark", tpHigh, 25},
    };
    for (const TSample& sample : samples) {
        TTodoItem* item = list.Items().Add();
        item->SetSubject(sample.Subject);
        item->SetResource(sample.Resource);
        item->SetNotes(TStringList{sample.Notes});
        item->SetPriority(sample.Priority);
        item->SetCompletion(sample.Completion);
        item->SetStatus(tsNotStarted);
        item->SetComplete(false);
        item->SetImageIndex(-1);
        item->SetTag(0);
        item->SetTotalTime(0);
    }
}

void TForm1::BuildMenus() {
    auto addAction = [this](QMenu* menu, const char* name, const QString& text, TGlyph glyph,
                            std::function<void()> command) {
        QAction* action = menu->addAction(GlyphIcon(glyph), text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, command = std::move(command)] { RunCommand(command); });
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addAction(file, "mnuFileOpen1", QStringLiteral("Open Todo List..."), TGlyph::Open,
              [this] { Open(); });
    recentLists_ = file->addMenu(QStringLiteral("Recent &Lists"));
    recentLists_->setObjectName(QStringLiteral("mnuFileRecentLists"));
    recentLists_->setIcon(GlyphIcon(TGlyph::Open));
    addAction(file, "mnuFileSave1", QStringLiteral("&Save"), TGlyph::Save, [this] {
        todoList1_->EndEdit();
        Save();
    });
    addAction(file, "mnuFileSaveAs1", QStringLiteral("&Save Todo List As..."), TGlyph::Save,
              [this] {
                  todoList1_->EndEdit();
                  SaveAs();
              });
    AddSyncCommands(file);
    file->addSeparator();
    addAction(file, "mnuFileOptions1", QStringLiteral("&Options..."), TGlyph::Options,
              [this] { ShowOptions(); });
    file->addSeparator();
    addAction(file, "mnuFilePrint1", QStringLiteral("&Print Todo List..."), TGlyph::Print,
              [this] { PrintList(); });
    file->addSeparator();
    addAction(file, "mnuFileExit1", QStringLiteral("E&xit"), TGlyph::Exit, [this] { close(); });

    QMenu* items = menuBar()->addMenu(QStringLiteral("&Items"));
    items->setObjectName(QStringLiteral("mnuItems"));
    addAction(items, "mnuItemsCreate1", QStringLiteral("&Create Todo Item"), TGlyph::Add,
              [this] { CreateItem(); });
    addAction(items, "mnuItemsDelete1", QStringLiteral("&Delete Todo Item"), TGlyph::Delete,
              [this] { DeleteItem(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addAction(help, "mnuHelpAbout1", QStringLiteral("&About"), TGlyph::About,
              [this] { ShowAbout(); });
    help->addSeparator();
    addAction(help, "mnuHelpVisitPellmark", QStringLiteral("&Visit Pellmark home page"),
              TGlyph::Web, [this] { VisitHomePage(); });

    pupTodolist_ = new QMenu(this);
    pupTodolist_->setObjectName(QStringLiteral("pupTodolist"));
    addAction(pupTodolist_, "pupOptions", QStringLiteral("&Options"), TGlyph::Options,
              [this] { ShowOptions(); });
}

void TForm1::BuildTray(std::unique_ptr<ITrayService> tray) {
    trayPopup_ = new QMenu(this);
    trayPopup_->setObjectName(QStringLiteral("trayPopup"));
    QAction* restore = trayPopup_->addAction(QStringLiteral("&Restore window"));
    restore->setObjectName(QStringLiteral("pupRestorewindow"));
    QAction* hide = trayPopup_->addAction(QStringLiteral("&Hide window"));
    hide->setObjectName(QStringLiteral("pupHidewindow"));
    trayPopup_->addSeparator();
    QAction* exit = trayPopup_->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("pupExit"));

    trayIcon1_ = new TTrayIcon(this, std::move(tray));
    trayIcon1_->setObjectName(QStringLiteral("TrayIcon1"));
    trayIcon1_->SetHint(kApplicationTitle);
    trayIcon1_->SetPopupMenu(trayPopup_);
    trayIcon1_->SetRestoreOn(ticNone);
    trayIcon1_->OnMinimizeApp = [this](TTrayIcon*) { trayState_ = QStringLiteral("min"); };
    trayIcon1_->OnRestoreApp = [this](TTrayIcon*) { trayState_.clear(); };
    trayIcon1_->OnLButtonDown = [this](TTrayIcon* sender) {
        if (InTray()) {
            sender->RestoreApp();
        } else {
            sender->MinimizeApp();
        }
    };
    connect(restore, &QAction::triggered, this, [this] { trayIcon1_->RestoreApp(); });
    connect(hide, &QAction::triggered, this, [this] { trayIcon1_->MinimizeApp(); });
    connect(exit, &QAction::triggered, this, [this] { close(); });
    // Without the icon the program still runs; minimising then stays an ordinary minimise.
    RunCommand([this] { trayIcon1_->Loaded(); });
}

void TForm1::LayoutList() {
    if (listFills_) {
        todoList1_->setMinimumWidth(0);
        todoList1_->setMaximumWidth(QWIDGETSIZE_MAX);
    } else {
        todoList1_->setFixedWidth(kListWidth);
    }
}

// Wiring -------------------------------------------------------------------------------

void TForm1::SetOptionsDialog(TfrmOptions* options) {
    options_ = options;
}

void TForm1::SetAboutBox(QWidget* about) {
    about_ = about;
}

QString TForm1::Message() const {
    return statusBar1_->Message();
}

void TForm1::SetMessage(const QString& text) {
    statusBar1_->SetMessage(text);
}

QString TForm1::Hint() const {
    return statusBar1_->Hint();
}

bool TForm1::RunCommand(const std::function<void()>& command) {
    return RunShowingErrors(platform_.Messages, command);
}

void TForm1::ShowOptions() {
    if (options_) {
        options_->ShowOptions();
    }
}

void TForm1::ShowAbout() {
    if (about_) {
        about_->show();
        about_->raise();
        about_->activateWindow();
    }
}

void TForm1::PrintList() {
    PrintTodoList(todoList1_->Items(), currentFile_, platform_);
}

void TForm1::VisitHomePage() {
    platform_.Shell.OpenAddress(kWebAddress);
}

// IOptionsHost -----------------------------------------------------------------------------

TCustomTodoList& TForm1::OptionsList() {
    return *todoList1_;
}

void TForm1::SetButtonsVisible(bool visible) {
    panelBtm_->setVisible(visible);
}

void TForm1::SetListFillsScrollBox(bool fill) {
    listFills_ = fill;
    todoList1_->SetAlign(fill ? alClient : alLeft);
    LayoutList();
}

void TForm1::SetAutoSaveEnabled(bool enabled) {
    if (!enabled) {
        autoSaveTimer_.stop();
    } else if (!autoSaveTimer_.isActive()) {
        autoSaveTimer_.start();
    }
}

// Start-up ---------------------------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!startupDone_) {
        startupDone_ = true;
        RunStartup();
    }
}

void TForm1::RunStartup() {
    // A failing step ends the sequence; the error is shown and the window still opens.
    RunCommand([this] {
        StartupPlacement();
        TTodoList& list = *todoList1_;
        if (FlagIsOn(stPrevNotes)) {
            list.SetPreview(true);
        }
        if (FlagIsOn(stAutoDeleteKey)) {
            list.SetAutoDeleteItem(true);
        }
        if (FlagIsOn(stAutoInsertKey)) {
            list.SetAutoInsertItem(true);
        }
        if (FlagIsOn(stHideScroll)) {
            SetListFillsScrollBox(true);
        }
        const QString startupFile = ReadSetting(stStartupFile);
        if (startupFile.size() > 3) {
            if (options_) {
                options_->SetStartupFileText(startupFile);
            }
            if (fileToOpen_.isEmpty()) {
                LoadStartupFile(startupFile);
            }
        }
        if (!fileToOpen_.isEmpty()) {
            LoadStartupFile(fileToOpen_);
        }
        SetButtonsVisible(!FlagIsOn(stHideButtons));
        if (options_) {
            LoadFields(*options_, list);
        }
        LoadColumnLayout(list, layoutFileName_);
        if (FlagIsOn(stAutoSave)) {
            SetAutoSaveEnabled(true);
            if (options_) {
                options_->SetAutoSaveChecked(true);
            }
        }
    });
    if (!isMaximized()) {
        EnsureOnScreen();
    }
}

void TForm1::StartupPlacement() {
    const bool maximized = FlagIsOn(stMaximized);
    // The size is applied first, so that it is the size the window returns to from the
    // maximized state.
    const auto maximize = qScopeGuard([this, maximized] {
        if (maximized) {
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    });
    if (!maximized) {
        const QString left = ReadSetting(stLeft);
        move(left != kSettingAbsent ? StrToInt(left) : kDefaultLeft, y());
        const QString top = ReadSetting(stTop);
        move(x(), top != kSettingAbsent ? StrToInt(top) : kDefaultTop);
    }
    const int width = SizeFromSetting(ReadSetting(stWidth), kDefaultWidth);
    resize(width, height());
    const int height = SizeFromSetting(ReadSetting(stHeight), kDefaultHeight);
    resize(this->width(), height);
}

void TForm1::EnsureOnScreen() {
    // A stored place that no screen shows any more (a monitor removed, a damaged value)
    // would leave the window out of reach.
    const QRect frame = frameGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry().intersected(frame);
        if (shared.width() >= 32 && shared.height() >= 32) {
            return;
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().topLeft() + QPoint(kDefaultLeft, kDefaultTop));
    }
}

void TForm1::LoadStartupFile(const QString& path) {
    try {
        auto lock = LockFor(path);
        todoList1_->LoadFromFile(path);
        history_->Clear();
        SetMessage(QFileInfo(path).fileName() + QStringLiteral(" loaded..."));
        SetCurrentFile(path, std::move(lock));
        setWindowTitle(CaptionFor(path));
    } catch (...) {
        platform_.Messages.ShowMessage(QStringLiteral("Error loading file: ") + path);
    }
}

// Current file -----------------------------------------------------------------------------

std::unique_ptr<TListLock> TForm1::LockFor(const QString& path) {
    if (lock_ && lock_->IsLocked() &&
        ListLockFileName(lock_->ListFileName()) == ListLockFileName(path)) {
        return nullptr;  // the window holds this list's lock already
    }
    auto lock = std::make_unique<TListLock>();
    // pellmark-cli holds a list's lock only for the moment of a change. A list that
    // another window keeps open is still opened; only the lock is missing then.
    lock->Lock(path, 2000);
    return lock;
}

void TForm1::SetCurrentFile(const QString& path, std::unique_ptr<TListLock> lock) {
    currentFile_ = path;
    statusBar1_->SetHint(path);
    if (lock) {
        lock_ = std::move(lock);
    }
    InSyncWithCurrentFile();
}

// Exit -------------------------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event) {
    if (CloseWaitsForSync()) {
        event->ignore();
        return;
    }
    bool allow = false;
    try {
        allow = ExitFlow();
    } catch (...) {
        ShowCurrentException(platform_.Messages);
        allow = false;
    }
    if (!allow) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT Closed();
}

bool TForm1::ExitFlow() {
    // An edit still open belongs to the list that is saved now.
    todoList1_->EndEdit();
    bool ask = false;
    try {
        ask = FlagIsOn(stAskToSave);
    } catch (...) {
        // Unreadable settings must not keep the user from leaving: ask instead.
        ShowCurrentException(platform_.Messages);
        ask = true;
    }
    if (!ask) {
        if (!HasCurrentFile()) {
            SaveAs();  // closing goes on whether or not the user saved
        } else if (!SaveAtExit()) {
            return false;
        }
        FinishExit();
        return true;
    }
    if (!platform_.Messages.Confirm(QStringLiteral("Do you want to save your Todolist?"))) {
        FinishExit();
        return true;
    }
    if (!HasCurrentFile()) {
        SaveAs();
        return false;  // the user exits again to close
    }
    if (!SaveAtExit()) {
        return false;
    }
    FinishExit();
    return true;
}

bool TForm1::SaveAtExit() {
    const QString name = QFileInfo(currentFile_).fileName();
    try {
        // As Save does: not in the middle of another process's change.
        const auto lock = LockFor(currentFile_);
        if (!MayOverwriteCurrentFile()) {
            return false;
        }
        todoList1_->SaveToFile(currentFile_);
        history_->MarkSaved();
    } catch (const std::exception& error) {
        // The list stays open, so nothing is lost: the user can save elsewhere or retry.
        const QString text = QStringLiteral("Error saving as: ") + name;
        SetMessage(text);
        platform_.Messages.ShowError(
            ErrorBoxText(text + QLatin1Char('\n') + QString::fromUtf8(error.what())));
        return false;
    }
    SetMessage(name + QStringLiteral(" saved..."));
    return true;
}

void TForm1::FinishExit() {
    // The list is saved (or the user declined); a placement or layout that cannot be
    // stored is reported, and the program closes anyway.
    RunCommand([this] { SaveWindowSettings(); });
}

void TForm1::SaveWindowSettings() {
    const bool maximized = isMaximized();
    if (maximized) {
        WriteSetting(stMaximized, QStringLiteral("y"));
    } else {
        DeleteSetting(stMaximized);
    }
    // A maximized window keeps the place it returns to.
    const QRect normal = normalGeometry();
    const bool useNormal = maximized && normal.isValid();
    const QSize size = useNormal ? normal.size() : this->size();
    const QPoint place = useNormal ? normal.topLeft() : pos();
    WriteSetting(stHeight, QString::number(size.height()));
    WriteSetting(stWidth, QString::number(size.width()));
    WriteSetting(stLeft, QString::number(place.x()));
    WriteSetting(stTop, QString::number(place.y()));
    SaveColumnLayout(*todoList1_, layoutFileName_);
}

// Autosave ---------------------------------------------------------------------------------

void TForm1::AutoSaveTick() {
    // A tick inside a dialog or error box of the program waits for the next one.
    if (saving_ || QApplication::activeModalWidget()) {
        return;
    }
    saving_ = true;
    const auto done = qScopeGuard([this] { saving_ = false; });
    if (RunCommand([this] { Save(); })) {
        SyncAfterAutoSave();
    }
}

// The application's icon -------------------------------------------------------------------

QIcon PellmarkIcon() {
    return PellmarkApplicationIcon();
}
