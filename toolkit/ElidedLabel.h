#pragma once

#include <QLabel>

// A one-line label that never asks for more width than a few characters:
// a text longer than the label shows its beginning and an ellipsis, and the
// whole of it in the tip. text() stays the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Whether the text is cut at the current width.
    bool isElided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString shownText() const;
};
