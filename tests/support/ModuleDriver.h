#pragma once

#include "framework/mc_CustomModule.h"
#include "framework/o_ComponentCaster.h"
#include "toolkit/DbEdit.h"

#include <QPushButton>
#include <QToolButton>
#include <QtTest>

// Works a module's window as a user would, for tests of the modules.

// Clicks a tool button or push button by name.
inline void press(TCustomModule& module, const char* button)
{
    TqvComponentCaster* found = module.Lookup(QString::fromLatin1(button));
    if (auto* tool = found->AsToolButton())
        tool->click();
    else
        found->as<QPushButton>()->click();
}

// Types into a bound edit as a user would.
inline void type(TCustomModule& module, const char* edit, const QString& text)
{
    auto* control = module.Lookup(QString::fromLatin1(edit))->as<DbEdit>();
    QVERIFY(control);
    control->setFocus();
    control->selectAll();
    control->del();
    control->insert(text);
}

// Makes the module and opens its window without a modal loop.
template <class M, class F>
TCustomModule::Ptr<M> open()
{
    auto module = TCustomModule::Create<M, F>();
    module->Execute(false);
    return module;
}
