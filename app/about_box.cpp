#include "app/about_box.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>
#include <QShowEvent>

namespace {

constexpr int kClientWidth = 329;
constexpr int kClientHeight = 287;
constexpr int kSystemLinesHeight = 33;

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kAqua(0x00, 0xFF, 0xFF);

QFont LabelFont(const QFont& base, int pixelSize, bool antialiased, bool underlined) {
    QFont font = base;
    font.setPixelSize(pixelSize);
    font.setUnderline(underlined);
    if (antialiased) {
        font.setStyleStrategy(QFont::PreferAntialias);
    }
    return font;
}

void SetTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// A label at its place in the look of the box, as large as its text.
template <class TLabel = QLabel>
TLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QPoint place,
                 const QColor& color, int pixelSize, bool antialiased, bool underlined = false) {
    auto* label = new TLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(LabelFont(parent->font(), pixelSize, antialiased, underlined));
    SetTextColor(label, color);
    label->move(place);
    label->adjustSize();
    return label;
}

}  // namespace

QString AboutSystemDescription(const TOSDescription& os) {
    QString text = QStringLiteral("Your OS: ") + os.PlatformName;
    if (os.ProductName.size() > 2) {
        text += QLatin1Char('/') + os.ProductName;
    }
    return text + QLatin1Char('\r') + QStringLiteral("OS Version: ") + os.VersionText;
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        OnClick) {
        OnClick(this);
    }
}

TfrmAbout::TfrmAbout(const TPlatformServices& services, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      shell_(services.Shell),
      osInfo_(services.OSInfo) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Pellmark"));
    setFixedSize(kClientWidth, kClientHeight);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kNavy);
    setPalette(palette);
    setAutoFillBackground(true);

    AddLabel(this, "lblTitle", QStringLiteral("Pellmark Version:"), {24, 8}, Qt::white, 21, true);
    lblCurrVs_ = AddLabel(this, "lblCurrVs", kProgramVersion, {224, 8}, Qt::white, 21, true);

    auto* web =
        AddLabel<TLinkLabel>(this, "lblWeb", kWebAddressText, {40, 136}, kAqua, 21, true, true);
    web->setCursor(Qt::PointingHandCursor);
    web->setToolTip(QStringLiteral("Visit our website!"));
    web->OnClick = [this](TLinkLabel* sender) { lblWebClick(sender); };

    AddLabel(this, "lblAuthor", QStringLiteral("The Pellmark team"), {8, 184}, Qt::white, 13,
             false);
    auto* mail = AddLabel<TLinkLabel>(this, "lblMail", kMailAddress, {136, 184}, Qt::yellow, 13,
                                      false, true);
    mail->setCursor(Qt::PointingHandCursor);
    mail->setToolTip(QStringLiteral("Send me an e-mail"));
    mail->OnClick = [this](TLinkLabel* sender) { lblMailClick(sender); };

    lblNotice_ = AddLabel(this, "lblNotice", QString(), {8, 208}, Qt::white, 13, false);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(0, kClientHeight - kSystemLinesHeight, kClientWidth, kSystemLinesHeight);
    label1_->setAlignment(Qt::AlignCenter);
    label1_->setWordWrap(true);
    label1_->setAutoFillBackground(true);
    QPalette systemPalette = label1_->palette();
    systemPalette.setColor(QPalette::Window, Qt::black);
    systemPalette.setColor(QPalette::WindowText, Qt::white);
    label1_->setPalette(systemPalette);

    FormCreate();
}

void TfrmAbout::FormCreate() {
    systemDescription_ = AboutSystemDescription(osInfo_.Describe());
    // The label breaks lines at line feeds; the description keeps its carriage return.
    label1_->setText(QString(systemDescription_).replace(QLatin1Char('\r'), QLatin1Char('\n')));

    lblNotice_->setText(
        QStringLiteral("Pellmark is made and owned by the Pellmark team. Free to use and "
                       "to pass on."));
    lblNotice_->setWordWrap(true);
    lblNotice_->setFixedWidth(kClientWidth - 2 * lblNotice_->x());
    lblNotice_->adjustSize();
}

void TfrmAbout::lblWebClick(TLinkLabel*) {
    shell_.OpenAddress(kWebAddress);
}

void TfrmAbout::lblMailClick(TLinkLabel*) {
    // The shell drops the blank after the colon.
    shell_.OpenAddress(QStringLiteral("mailto: ") + kMailAddress);
}

void TfrmAbout::showEvent(QShowEvent* event) {
    if (!placed_) {
        // Centred on the desktop the first time; afterwards it stays where the user put it.
        placed_ = true;
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}
