#include "components/o_LinkLabel.h"

#include "toolkit/UrlOpener.h"

#include <QMouseEvent>
#include <QUrl>

TqvLinkLabel::TqvLinkLabel(QWidget* parent)
    : TqvLinkLabel(QString(), parent)
{
}

TqvLinkLabel::TqvLinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
}

void TqvLinkLabel::Click()
{
    emit clicked();
    switch (m_linkType) {
    case ltURL:
        // Like the shell, take "www.example.org" without its scheme.
        UrlOpener::open(QUrl::fromUserInput(m_url));
        break;
    case ltMailAddress:
        // The desktop's mail program gets the address, even an empty one.
        UrlOpener::open(QUrl(QStringLiteral("mailto:") + m_mailAddress, QUrl::TolerantMode));
        break;
    }
}

void TqvLinkLabel::mousePressEvent(QMouseEvent* event)
{
    // Taking the press is what brings the release here.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QLabel::mousePressEvent(event);
}

void TqvLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A press dragged off the label before its release is no click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        Click();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}
