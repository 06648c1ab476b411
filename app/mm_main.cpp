#include "app/mm_main.h"

#include "components/o_ConnectionSettings.h"
#include "components/o_OptionsManager.h"
#include "toolkit/DbConnection.h"

#include <QMainWindow>

TdmMain::TdmMain() = default;

TdmMain::~TdmMain()
{
    if (m_connection)
        m_connection->close();
}

std::unique_ptr<TdmMain> TdmMain::create()
{
    std::unique_ptr<TdmMain> main(new TdmMain());
    main->CreateData();
    main->m_form = std::make_unique<QMainWindow>();
    main->m_form->setWindowTitle(QStringLiteral("Hourwright"));
    return main;
}

void TdmMain::CreateData()
{
    m_connection = new DbConnection(this);
    const ConnectionSettings settings = ConnectionSettings::read(*GetOptionsManager());
    m_databaseKind = settings.kind;
    settings.open(*m_connection);
}

void TdmMain::showMainForm()
{
    m_form->resize(800, 600);
    m_form->show();
}
