#pragma once

// The options dialog: visible columns, notes preview and its height, the list's Insert and
// Delete keys, the sort indicator, the exit question, the main window's scroll bar and
// buttons, autosave, the start-up file and the preview and priority fonts.
//
// It is not modal and is made once: closing it only hides it. Most choices act on the main
// window (through IOptionsHost) the moment they are clicked; the flags are written to the
// settings partly at once and partly when the dialog closes. Every way of closing it (the
// "&Save" button, the close box, Escape) runs the close-time writes.

#include <QDialog>
#include <QString>

#include "platform/dialog_service.h"
#include "platform/platform_services.h"
#include "settings/column_layout.h"
#include "settings/options_host.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TSpinEdit;

class TfrmOptions : public QDialog, public IFieldChecks {
    Q_OBJECT

public:
    // Creation checks the default View Columns entries (Complete, Subject, Resource,
    // Status, Priority, Completion) and takes the list's preview height.
    TfrmOptions(IOptionsHost& host, TPlatformServices platform, QWidget* parent = nullptr);
    ~TfrmOptions() override;

    // Shows the dialog without waiting, or brings it to the front when it is open.
    void ShowOptions();

    // The start-up file box (txtStartupFile).
    QString StartupFileText() const;
    void SetStartupFileText(const QString& text);
    // Checks or clears ckAutoSave, with the same action as a click when the state changes.
    void SetAutoSaveChecked(bool checked);

    // IFieldChecks: the FieldList entries.
    bool FieldChecked(int entry) const override;
    void SetFieldChecked(int entry, bool checked) override;
    void SetCurrentField(int entry) override;

    // What "&Browse" shows; it keeps the last chosen file name.
    const TFileDialogOptions& OpenDialog1() const { return openDialog1_; }

    // The controls, by their object names: ckPreviewNotes, CheckBox4, ckAutoDeleteKey,
    // ckAutoInsertKey, SpinEdit1, ckAsktoSave, ckHideScroll, ckHideButtons, ckAutoSave,
    // FieldList, txtStartupFile, btnStartupFile, btnSelectPrevFont, btnSelPriorityFont,
    // btnClose.

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QCheckBox* AddCheck(QWidget* parent, const char* name, const QString& caption, int x, int y);
    QPushButton* AddButton(const char* name, const QString& caption, QRect geometry);
    void BuildControls();
    void SetButtonIcons();
    void ConnectActions();
    // Runs one step of a handler; an error is shown the way the general error handler
    // shows it and ends the step. False when it failed.
    bool Guard(const std::function<void()>& step);
    // The face of a button: clLime while the mouse is over it, clBtnFace otherwise.
    void SetButtonFace(QPushButton* button, bool hovered);

    void PreviewNotesClicked(bool checked);
    void SortIndicatorClicked(bool checked);
    void FieldToggled(QListWidgetItem* item);
    void BrowseStartupFile();
    void SelectPreviewFont();
    void SelectPriorityFont();
    void SaveClicked();
    void CloseWrites();

    IOptionsHost& host_;
    TPlatformServices platform_;
    TFileDialogOptions openDialog1_;

    QGroupBox* groupBox_ = nullptr;
    QCheckBox* ckPreviewNotes_ = nullptr;
    QCheckBox* checkBox4_ = nullptr;
    QCheckBox* ckAutoDeleteKey_ = nullptr;
    QCheckBox* ckAutoInsertKey_ = nullptr;
    TSpinEdit* spinEdit1_ = nullptr;
    QCheckBox* ckAsktoSave_ = nullptr;
    QCheckBox* ckHideScroll_ = nullptr;
    QCheckBox* ckHideButtons_ = nullptr;
    QCheckBox* ckAutoSave_ = nullptr;
    QListWidget* fieldList_ = nullptr;
    QLineEdit* txtStartupFile_ = nullptr;
    QPushButton* btnStartupFile_ = nullptr;
    QPushButton* btnSelectPrevFont_ = nullptr;
    QPushButton* btnSelPriorityFont_ = nullptr;
    QPushButton* btnClose_ = nullptr;

    // Set while the program changes checks of FieldList, which are no user toggles.
    bool settingFields_ = false;
    bool centred_ = false;
};
