#pragma once

// The server the window synchronizes its list with: the collection's URL, the user name,
// a password, whether certificate errors are accepted and whether every autosave
// synchronizes too. Made once and not modal, like the options dialog: showing it fills
// the boxes from the settings; "OK" stores them and hides it, "Cancel" (or Escape, or the
// close box) hides it and stores nothing.
//
// The password is never written to the settings: a typed one goes to the desktop's
// keyring only (sync/credentials.h), and an empty box keeps what the keyring, .netrc or
// PELLMARK_PASSWORD give. Refusals (a URL that is not http or https, a password in the
// URL, a keyring that cannot take the password) are shown the way the general error
// handler shows errors, and the dialog stays open.

#include <QDialog>

#include "platform/platform_services.h"

class QCheckBox;
class QLineEdit;

class TfrmSync : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSync(TPlatformServices platform, QWidget* parent = nullptr);
    ~TfrmSync() override;

    // Fills the boxes from the settings and shows the dialog, or brings it to the front.
    void ShowSync();
    // Checks and stores the boxes (raises); the password box is emptied once stored.
    void Store();

    // The controls, by their object names: txtSyncUrl, txtSyncUser, txtSyncPassword,
    // ckSyncInsecure, ckSyncAutoSave, and the buttons btnSyncOk and btnSyncCancel.

    void accept() override;

private:
    TPlatformServices platform_;
    QLineEdit* txtSyncUrl_ = nullptr;
    QLineEdit* txtSyncUser_ = nullptr;
    QLineEdit* txtSyncPassword_ = nullptr;
    QCheckBox* ckSyncInsecure_ = nullptr;
    QCheckBox* ckSyncAutoSave_ = nullptr;
};

// The collection URL of the settings, checked as the sync needs it: EPellmarkError for
// one that is not http or https, or that carries a password.
QUrl SyncUrlFrom(const QString& text);
