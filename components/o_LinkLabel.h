#pragma once

#include <QLabel>

// A label drawn as a hyperlink that opens a web or a mail address when
// clicked.
class TqvLinkLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(QString MailAddress READ MailAddress WRITE setMailAddress)
    Q_PROPERTY(TqvLinkType LinkType READ LinkType WRITE setLinkType)
public:
    // A fixed underlying type: a stored or scripted value outside the list
    // (an unknown link type) is a valid value that does nothing.
    enum TqvLinkType : int { ltURL = 0, ltMailAddress = 1 };
    Q_ENUM(TqvLinkType)

    explicit TqvLinkLabel(QWidget* parent = nullptr);
    explicit TqvLinkLabel(const QString& text, QWidget* parent = nullptr);

    QString URL() const { return m_url; }
    void setURL(const QString& url) { m_url = url; }
    QString MailAddress() const { return m_mailAddress; }
    void setMailAddress(const QString& address) { m_mailAddress = address; }
    TqvLinkType LinkType() const { return m_linkType; }
    void setLinkType(TqvLinkType type) { m_linkType = type; }

    // What a click does: tells the listeners, then opens the address.
    virtual void Click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_url;
    QString m_mailAddress;
    TqvLinkType m_linkType = ltURL;
};
