#include "modules/mc_Customers.h"

TMaintenanceModule::Definition TdmCustomers::definition() const
{
    Definition d;
    d.table = QStringLiteral("CUSTOMER");
    d.workingSourceName = QStringLiteral("dsCustomers");
    d.listStatement = QStringLiteral("select ID,CODE,NAME from CUSTOMER");
    d.updateTemplate = QStringLiteral("update CUSTOMER set CODE=%s,NAME=%s where ID =%d");
    d.updateFields = {{"CODE", SqlValue::Text}, {"NAME", SqlValue::Text}, {"ID", SqlValue::Integer}};
    d.insertTemplate = QStringLiteral("insert into CUSTOMER (CODE,NAME)\rvalues (%s,%s)");
    d.insertFields = {{"CODE", SqlValue::Text}, {"NAME", SqlValue::Text}};
    d.noun = QStringLiteral("customer");
    d.nameFields = {QStringLiteral("NAME")};
    d.references = {{QStringLiteral("PROJECTS"), QStringLiteral("CUSTOMER_ID"), QStringLiteral("project"),
                     QStringLiteral("projects")}};
    d.referencesFate = QStringLiteral("they stay, without a customer");
    d.required = {{QStringLiteral("NAME"), QStringLiteral("Name")}};
    return d;
}
