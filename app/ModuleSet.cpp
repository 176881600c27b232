#include "app/ModuleSet.h"

#include "core/DataModuleApplicationStartup.h"
#include "core/DataModuleDebug.h"
#include "debugview/DebugWindow.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "ui/Main.h"

TModuleSet::TModuleSet(const QStringList& arguments, const QString& programFile, const CreatedHook& created)
{
    auto add = [&](QObject* module) {
        m_modules.emplace_back(module);
        if (created)
            created(module);
    };
    add(new TDataModule_Debug(arguments, std::make_unique<TDebugWindow>()));
    add(new TDataModule_Database());
    add(new TDataModule_ApplicationStartup(programFile));
    add(new TDataModule_Hourglen());
    add(new TForm_Hourglen());
}

TModuleSet::~TModuleSet()
{
    while (!m_modules.empty())
        m_modules.pop_back();
}

TForm_Hourglen* TModuleSet::MainWindow() const
{
    return Form_Hourglen;
}
