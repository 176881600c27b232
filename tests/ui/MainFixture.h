#pragma once

#include "core/ApplicationGlobal.h"
#include "core/Clock.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "core/FormatSettings.h"
#include "platform/ProcessLauncher.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "schedule/triggerlist/TriggerList.h"
#include "trigger/LaunchCreateProcess.h"
#include "ui/Main.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

#include <condition_variable>
#include <memory>
#include <mutex>

// A launcher that records every start and can hold starts until it is opened.
class RecordingLauncher final : public ProcessLauncher
{
public:
    LaunchOutcome start(const QString& program, const QStringList& arguments) override
    {
        std::unique_lock lock(m_lock);
        m_started.push_back(program + (arguments.isEmpty() ? QString() : u' ' + arguments.join(u' ')));
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        return {LaunchOutcome::Status::Started, 0, {}};
    }

    QStringList started() const
    {
        const std::lock_guard lock(m_lock);
        return m_started;
    }

    void hold()
    {
        const std::lock_guard lock(m_lock);
        m_open = false;
    }

    void open()
    {
        const std::lock_guard lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    QStringList m_started;
    bool m_open = true;
};

// The modules the main window needs, in the start order, on a manual clock, with the trace lines
// collected and launches recorded. Destroyed in the reverse order.
struct MainWindowModules
{
    MainWindowModules()
    {
        ApplicationGlobal::DataPath = dir.path() + u'/';
        ApplicationGlobal::ConfigPath = dir.path() + QStringLiteral("/config/");
        QDir().mkpath(ApplicationGlobal::ConfigPath);
        Clock::Replace(clock);
        TFormatSettings settings;
        settings.LongTimeFormat = QStringLiteral("hh:nn:ss");
        FormatSettings.Set(settings);
        QObject::connect(debug.get(), &TDataModule_Debug::lineHanded, debug.get(),
                         [this](const QString& line) { lines << line; });
        database = std::make_unique<TDataModule_Database>();
        hourglen = std::make_unique<TDataModule_Hourglen>();
        form = std::make_unique<TForm_Hourglen>();
        form->SetLaunchThreadFactory([l = launcher](const QString& command, const QString& parameter) {
            return std::make_unique<TThreadProcessLaunch>(command, parameter, l);
        });
    }
    ~MainWindowModules()
    {
        // The close waits for launch threads still listed, so none outlives the trace module.
        if (form)
            form->close();
        form.reset();
        hourglen.reset();
        database.reset();
        debug.reset();
        Clock::Replace(nullptr);
        ApplicationGlobal::DataPath.clear();
        ApplicationGlobal::ConfigPath.clear();
    }
    Q_DISABLE_COPY_MOVE(MainWindowModules)

    // A program file the launch thread finds (it starts nothing itself: the launcher records).
    QString program(const QString& name) const
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write("#!/bin/sh\n");
        return path;
    }

    // Puts entries into the trigger list as a rebuild would.
    void setList(std::vector<TRec> entries) const { hourglen->TriggerList()->Replace(std::move(entries)); }

    static TRec due(const QString& program, const QString& parameter, const QString& time)
    {
        TRec r;
        r.taskname = program;
        r.taskparm = parameter;
        r.launchtime = time;
        for (QString* day : {&r.launchcbsun, &r.launchcbmon, &r.launchcbtue, &r.launchcbwed, &r.launchcbthu,
                             &r.launchcbfri, &r.launchcbsat})
            *day = QStringLiteral("1");
        return r;
    }

    QTemporaryDir dir;
    std::shared_ptr<TManualClock> clock = std::make_shared<TManualClock>(
        QDateTime(QDate(2026, 12, 9), QTime(21, 5, 7), Qt::UTC), QTimeZone::utc());
    std::shared_ptr<RecordingLauncher> launcher = std::make_shared<RecordingLauncher>();
    TCallStackInstance callStack;
    std::unique_ptr<TDataModule_Debug> debug = std::make_unique<TDataModule_Debug>(QStringList());
    std::unique_ptr<TDataModule_Database> database;
    std::unique_ptr<TDataModule_Hourglen> hourglen;
    std::unique_ptr<TForm_Hourglen> form;
    QStringList lines;
};
