#include "support/MainWindowFixture.h"

#include "components/o_OptionsManager.h"
#include "components/TrayIcon.h"
#include "components/o_ServerLink.h"
#include "toolkit/AppPaths.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/Clock.h"
#include "toolkit/MessageService.h"

#include <QDir>
#include <QFile>

MainWindowFixture::MainWindowFixture()
{
    AppPaths::setApplicationFolderForTests(m_db.folder());
    AppPaths::setOptionsFolder(QString());
    QFile::remove(optionsPath());
    GetOptionsManager()->setOptionsFileName(optionsPath());
    m_db.writeOptions(*GetOptionsManager());
    MessageService::resetForTests();
    fillKnownRows();
}

MainWindowFixture::~MainWindowFixture()
{
    AppPaths::setApplicationFolderForTests(QString());
    AppPaths::setOptionsFolder(QString());
}

void MainWindowFixture::beforeWindowTest(std::function<void()> onTerminate)
{
    ApplicationControl::setTerminateHandler(std::move(onTerminate));
    TTrayIcon::setNotificationAreaForTests(0);
    // On a server the window's writes stay as certain as on the file: it
    // waits for each until it is written (the server is there).
    TServerLink::setPatienceForTests(10000);
}

void MainWindowFixture::afterWindowTest()
{
    Clock::reset();
    ApplicationControl::setTerminateHandler({});
    TTrayIcon::setNotificationAreaForTests(-1);
    TServerLink::setPatienceForTests(0);
}

QString MainWindowFixture::optionsPath() const
{
    return QDir(m_db.folder()).filePath(QStringLiteral("options.ini"));
}

void MainWindowFixture::fillKnownRows()
{
    m_db.exec("insert into CUSTOMER (CODE,NAME) values ('NW','Northwind'),('BH','Blue Harbour')");
    m_db.exec("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna'),('Okafor','Chidi'),('Lindqvist','Erik')");
    m_db.exec("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('Billing',1,0),('Portal',2,0),"
              "('Inventory',0,1)");
    m_db.exec("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (2,2),(2,3)");
    m_db.exec("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,1,'admin','secret'),"
              "(2,0,'chidi','pw'),(3,2,'erik','pw'),(0,NULL,'nodev','pw')");
}
