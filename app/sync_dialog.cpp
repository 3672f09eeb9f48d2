#include "app/sync_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/window_sync_run.h"
#include "platform/application.h"
#include "settings/setting_keys.h"
#include "sync/collection_url.h"

QUrl SyncUrlFrom(const QString& text) {
    const QUrl url = CollectionUrl(text.trimmed());
    if (!url.password().isEmpty()) {
        throw EPellmarkError(
            QStringLiteral("A password does not belong in the URL: give it in the "
                           "synchronization settings, PELLMARK_PASSWORD or ~/.netrc"));
    }
    return url;
}

TfrmSync::TfrmSync(TPlatformServices platform, QWidget* parent)
    : QDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("frmSync"));
    setWindowTitle(QStringLiteral("Pellmark - Synchronization"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    layout->addLayout(form);
    const auto edit = [this, form](const char* name, const QString& label,
                                   const QString& placeholder) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setPlaceholderText(placeholder);
        box->setMinimumWidth(340);
        form->addRow(label, box);
        return box;
    };
    txtSyncUrl_ = edit("txtSyncUrl", QStringLiteral("Task collection &URL:"),
                       QStringLiteral("https://example.org/dav/me/tasks/"));
    txtSyncUser_ = edit("txtSyncUser", QStringLiteral("User &name:"), QString());
    txtSyncPassword_ = edit("txtSyncPassword", QStringLiteral("&Password:"),
                            QStringLiteral("kept in the desktop's keyring"));
    txtSyncPassword_->setEchoMode(QLineEdit::Password);
    const auto check = [this, layout](const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(QString::fromLatin1(name));
        layout->addWidget(box);
        return box;
    };
    ckSyncInsecure_ = check("ckSyncInsecure", QStringLiteral("&Accept invalid certificates"));
    ckSyncAutoSave_ = check("ckSyncAutoSave", QStringLiteral("Synchronize with every auto&save"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnSyncOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnSyncCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSync::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmSync::reject);
    layout->addWidget(buttons);
}

TfrmSync::~TfrmSync() = default;

void TfrmSync::ShowSync() {
    if (!isVisible()) {
        // Settings that cannot be read leave the boxes empty; the error says why.
        RunShowingErrors(platform_.Messages, [this] {
            txtSyncUrl_->setText(ReadText(stSyncUrl));
            txtSyncUser_->setText(ReadText(stSyncUser));
            txtSyncPassword_->clear();
            ckSyncInsecure_->setChecked(FlagIsOn(stSyncInsecure));
            ckSyncAutoSave_->setChecked(FlagIsOn(stSyncAutoSave));
        });
    }
    show();
    raise();
    activateWindow();
}

void TfrmSync::Store() {
    const QString text = txtSyncUrl_->text().trimmed();
    const QString user = txtSyncUser_->text().trimmed();
    // An empty URL switches the sync off; any other must be one the sync can use.
    const QUrl url = text.isEmpty() ? QUrl() : SyncUrlFrom(text);
    const QString password = txtSyncPassword_->text();
    if (!password.isEmpty()) {
        const QString account = user.isEmpty() ? url.userName() : user;
        if (text.isEmpty() || account.isEmpty()) {
            throw EPellmarkError(
                QStringLiteral("A password is kept for a URL and a user name: give both"));
        }
        QString error;
        if (!KeepKeyringPassword(url.host(), account, password, &error)) {
            throw EPellmarkError(QStringLiteral("The password cannot be kept in the keyring (%1); "
                                                "give it in PELLMARK_PASSWORD or ~/.netrc")
                                     .arg(error));
        }
        txtSyncPassword_->clear();
    }
    WriteSetting(stSyncUrl, text);
    WriteSetting(stSyncUser, user);
    WriteFlag(stSyncInsecure, ckSyncInsecure_->isChecked());
    WriteFlag(stSyncAutoSave, ckSyncAutoSave_->isChecked());
}

void TfrmSync::accept() {
    if (RunShowingErrors(platform_.Messages, [this] { Store(); })) {
        QDialog::accept();
    }
}
