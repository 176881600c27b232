#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TForm_Hourglen;

// The five long-lived modules, created in the table's order (DataModule_Debug,
// DataModule_Database, DataModule_ApplicationStartup, DataModule_Hourglen, Form_Hourglen), each
// reached through its global reference and each with its creation handler run before the next is
// created; destroyed in the reverse order.
class TModuleSet
{
public:
    // Called right after each module has been created (tests watch the order through it).
    using CreatedHook = std::function<void(QObject* module)>;

    // arguments: the command line without the program path; programFile: the program's own file
    // (empty: the application's file).
    explicit TModuleSet(const QStringList& arguments, const QString& programFile = QString(),
                        const CreatedHook& created = {});
    ~TModuleSet();
    Q_DISABLE_COPY_MOVE(TModuleSet)

    TForm_Hourglen* MainWindow() const;

private:
    std::vector<std::unique_ptr<QObject>> m_modules; // in creation order
};
