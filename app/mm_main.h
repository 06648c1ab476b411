#pragma once

#include <QObject>

#include <memory>

class DbConnection;
class QMainWindow;

// The main window's controller: owns the one connection of the program.
class TdmMain : public QObject
{
    Q_OBJECT
public:
    static std::unique_ptr<TdmMain> create();
    ~TdmMain() override;

    DbConnection* AdoConn() const { return m_connection; }
    int DatabaseKind() const { return m_databaseKind; }
    void showMainForm();
    QMainWindow* form() const { return m_form.get(); }

private:
    TdmMain();
    void CreateData();

    DbConnection* m_connection = nullptr;
    int m_databaseKind = -1;
    std::unique_ptr<QMainWindow> m_form;
};
