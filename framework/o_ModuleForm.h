#pragma once

#include <QDialog>

#include <functional>

// Base of the dialog forms that modules run. A QDialog can end without a
// close event (accept, reject, done, Escape), so every one of those ways,
// and the close box and close() too, asks the close query first; a refusal
// keeps the window open. Forms derived from it only build controls, layout
// and bindings; the module installs the query.
class TModuleForm : public QDialog
{
    Q_OBJECT
public:
    // Answers whether the window may close now.
    using CloseQuery = std::function<bool()>;

    explicit TModuleForm(QWidget* parent = nullptr);
    ~TModuleForm() override;

    void setCloseQuery(CloseQuery query) { m_closeQuery = std::move(query); }

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool mayClose();

    CloseQuery m_closeQuery;
    // Set while a close that was already approved runs through QDialog,
    // which turns it into reject(); asking twice would be wrong.
    bool m_approved = false;
};
