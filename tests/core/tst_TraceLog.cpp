// The call stack and the trace log.

#include "common/TestMain.h"

#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "debugview/DebugBox.h"
#include "debugview/DebugWindow.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWidget>

#include <atomic>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Runs a script of trace calls: "+Name" opens a block, "-" closes one, "=text" writes a plain line.
void runScript(TDataModule_Debug& module, const QStringList& script)
{
    for (const QString& step : script) {
        if (step.startsWith(u'+'))
            module.TraceBegin(step.mid(1));
        else if (step == u'-')
            module.TraceEnd();
        else if (step.startsWith(u'='))
            module.AddLine(step.mid(1));
    }
}

} // namespace

class TestTraceLog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TCallStackInstance> m_stack;
    std::unique_ptr<TDataModule_Debug> m_module;
    QStringList m_lines;

    TDataModule_Debug& makeModule(const QStringList& arguments = {})
    {
        m_module.reset();
        m_lines.clear();
        m_module = std::make_unique<TDataModule_Debug>(arguments, std::make_unique<TDebugWindow>());
        connect(m_module.get(), &TDataModule_Debug::lineHanded, this,
                [this](const QString& line) { m_lines << line; });
        return *m_module;
    }

private slots:
    void init() { m_stack = std::make_unique<TCallStackInstance>(); }

    void cleanup()
    {
        m_module.reset();
        m_stack.reset();
        QCOMPARE(DataModule_Debug, nullptr);
        QCOMPARE(CallStack, nullptr);
    }

    void blocksAndTabs_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one block") << QStringList{"+A", "-"} << QStringList{"BEG    A", "END    A"};
        QTest::newRow("A calls B") << QStringList{"+A", "+B", "-", "-"}
                                   << QStringList{"BEG    A", "\tBEG    B", "\tEND    B", "END    A"};
        QTest::newRow("three nested: 0 1 2 tabs, then 2 1 0")
            << QStringList{"+A", "+B", "+C", "-", "-", "-"}
            << QStringList{"BEG    A",     "\tBEG    B", "\t\tBEG    C",
                           "\t\tEND    C", "\tEND    B", "END    A"};
        QTest::newRow("siblings at one level")
            << QStringList{"+A", "+B", "-", "+C", "-", "-"}
            << QStringList{"BEG    A", "\tBEG    B", "\tEND    B", "\tBEG    C", "\tEND    C", "END    A"};
        QTest::newRow("plain lines carry no indentation")
            << QStringList{"+A", "+B", "=plain", "-", "-"}
            << QStringList{"BEG    A", "\tBEG    B", "plain", "\tEND    B", "END    A"};
        QTest::newRow("colour word RED written unchanged")
            << QStringList{"+A", "+REDTForm_SetSchedule.FormCreate", "-", "-"}
            << QStringList{"BEG    A", "\tBEG    REDTForm_SetSchedule.FormCreate",
                           "\tEND    REDTForm_SetSchedule.FormCreate", "END    A"};
        QTest::newRow("colour words BLOCK GREEN BLUE written unchanged")
            << QStringList{"+BLOCKx.y", "+GREENx.y", "+BLUEx.y", "-", "-", "-"}
            << QStringList{"BEG    BLOCKx.y",    "\tBEG    GREENx.y", "\t\tBEG    BLUEx.y",
                           "\t\tEND    BLUEx.y", "\tEND    GREENx.y", "END    BLOCKx.y"};
        QTest::newRow("one TraceEnd too many, then the outer level without a tab")
            << QStringList{"-", "+A", "-"} << QStringList{"END    ", "BEG    A", "END    A"};
        QTest::newRow("after one end too many each level is one too shallow")
            << QStringList{"+A", "-", "-", "+B", "+C", "-", "-"}
            << QStringList{"BEG    A", "END    A", "END    ", "BEG    B", "BEG    C", "END    C", "END    B"};
        QTest::newRow("an abandoned block: later lines one deeper, next end names it")
            << QStringList{"+A", "+Abandoned", "+B", "-", "-", "-"}
            << QStringList{"BEG    A",     "\tBEG    Abandoned", "\t\tBEG    B",
                           "\t\tEND    B", "\tEND    Abandoned", "END    A"};
    }

    void blocksAndTabs()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, expected);
        TDataModule_Debug& module = makeModule();
        QVERIFY(module.IndentLines());
        runScript(module, script);
        QCOMPARE(m_lines, expected);
    }

    void oneEndTooMany()
    {
        TDataModule_Debug& module = makeModule();
        module.TraceEnd();
        QCOMPARE(m_lines.size(), 1);
        QCOMPARE(m_lines.first(), QStringLiteral("END    "));
        QCOMPARE(m_lines.first().size(), 7);
        QCOMPARE(module.Depth(), -1);
        QCOMPARE(CallStack->Current(), QString());
        module.TraceBegin(QStringLiteral("Next"));
        QCOMPARE(m_lines.last(), QStringLiteral("BEG    Next"));
        QCOMPARE(module.Depth(), 0);
    }

    void indentLinesFalse()
    {
        TDataModule_Debug& module = makeModule();
        module.SetIndentLines(false);
        runScript(module, {"+A", "+B", "+C", "-", "-", "-"});
        QCOMPARE(m_lines,
                 (QStringList{"BEG    A", "BEG    B", "BEG    C", "END    C", "END    B", "END    A"}));
        module.TraceBegin(QStringLiteral("D"));
        QCOMPARE(module.Depth(), 1);
        module.TraceEnd();
    }

    void depthAndStackFollowTheBlocks()
    {
        TDataModule_Debug& module = makeModule();
        QCOMPARE(module.Depth(), 0);
        module.TraceBegin(QStringLiteral("A"));
        module.TraceBegin(QStringLiteral("B"));
        QCOMPARE(module.Depth(), 2);
        QCOMPARE(CallStack->Current(), QStringLiteral("B"));
        QCOMPARE(CallStack->Items(), (QStringList{QString(), QStringLiteral("A")}));
        module.AddLine(QStringLiteral("plain"));
        QCOMPARE(module.Depth(), 2);
        QCOMPARE(CallStack->Count(), 2);
        module.TraceEnd();
        module.TraceEnd();
        QCOMPARE(module.Depth(), 0);
        QCOMPARE(CallStack->Current(), QString());
        QCOMPARE(CallStack->Count(), 0);
    }

    // Without the switch every line is built and handed to the window, which drops it; the stack
    // and Depth change exactly as with it.
    void sameWithoutTheWindow()
    {
        const QStringList script{"+A", "+B", "=plain", "-", "+C", "+D", "-"};
        struct Outcome
        {
            QStringList lines;
            int depth;
            QStringList stack;
            QString current;
            QString viewText;
            bool windowVisible;
        };
        auto run = [&](const QStringList& arguments) {
            TDataModule_Debug& module = makeModule(arguments);
            runScript(module, script);
            Outcome o{m_lines,
                      module.Depth(),
                      CallStack->Items(),
                      CallStack->Current(),
                      DebugBoxOf(module)->View()->toPlainText(),
                      DebugBoxOf(module)->Window()->isVisible()};
            runScript(module, {"-", "-"});
            return o;
        };
        const Outcome hidden = run({});
        const Outcome shown = run({QStringLiteral("/DEBUG")});
        QCOMPARE(hidden.lines, shown.lines);
        QCOMPARE(hidden.depth, 2);
        QCOMPARE(shown.depth, 2);
        QCOMPARE(hidden.stack, shown.stack);
        QCOMPARE(hidden.current, QStringLiteral("C"));
        QCOMPARE(shown.current, QStringLiteral("C"));
        QVERIFY(!hidden.windowVisible);
        QVERIFY(hidden.viewText.isEmpty());
        QVERIFY(shown.windowVisible);
        QCOMPARE(shown.viewText, shown.lines.join(u'\n'));
    }

    void debugSwitch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("shown");
        QTest::newRow("no arguments") << QStringList{} << false;
        QTest::newRow("/DEBUG") << QStringList{"/DEBUG"} << true;
        QTest::newRow("/debug") << QStringList{"/debug"} << true;
        QTest::newRow("/Debug") << QStringList{"/Debug"} << true;
        QTest::newRow("/dEbUg") << QStringList{"/dEbUg"} << true;
        QTest::newRow("--debug") << QStringList{"--debug"} << true;
        QTest::newRow("--DEBUG") << QStringList{"--DEBUG"} << true;
        QTest::newRow("/DEBUG then more") << QStringList{"/DEBUG", "other"} << true;
        QTest::newRow("second position") << QStringList{"other", "/DEBUG"} << false;
        QTest::newRow("second position, --debug") << QStringList{"x", "--debug"} << false;
        QTest::newRow("/DEBUGX") << QStringList{"/DEBUGX"} << false;
        QTest::newRow("/debug2") << QStringList{"/debug2"} << false;
        QTest::newRow("trailing blank") << QStringList{"/DEBUG "} << false;
        QTest::newRow("DEBUG without slash") << QStringList{"DEBUG"} << false;
        QTest::newRow("-debug") << QStringList{"-debug"} << false;
        QTest::newRow("empty first") << QStringList{"", "/DEBUG"} << false;
    }

    void debugSwitch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, shown);
        QCOMPARE(TDataModule_Debug::DebugSwitchGiven(arguments), shown);
        TDataModule_Debug& module = makeModule(arguments);
        QCOMPARE(DebugBoxOf(module)->Visible(), shown);
        QCOMPARE(DebugBoxOf(module)->Window()->isVisible(), shown);
        module.TraceBegin(QStringLiteral("A"));
        module.TraceEnd();
        QCOMPARE(DebugBoxOf(module)->View()->toPlainText().isEmpty(), !shown);
    }

    void moduleAndWindowNames()
    {
        TDataModule_Debug& module = makeModule();
        QCOMPARE(DataModule_Debug, &module);
        QCOMPARE(module.objectName(), QStringLiteral("DataModule_Debug"));
        TkvtDebugBox* box = DebugBoxOf(module);
        QVERIFY(box);
        QCOMPARE(box->objectName(), QStringLiteral("kvtDebugBox1"));
        QCOMPARE(box->Caption(), QStringLiteral("Debug Box"));
        QCOMPARE(box->Width(), 500);
        QCOMPARE(box->Height(), 1000);
        QCOMPARE(box->Position(), poTopRight);
        QVERIFY(box->Populating());
        QVERIFY(!box->TimeStamp());
    }

    void freeFunctionsGoThroughTheModule()
    {
        ::TraceBegin(QStringLiteral("nobody listens"));
        ::TraceEnd();
        QVERIFY(m_lines.isEmpty());
        makeModule();
        ::TraceBegin(QStringLiteral("A"));
        ::DebugLine(QStringLiteral("plain"));
        ::TraceEnd();
        QCOMPARE(m_lines, (QStringList{"BEG    A", "plain", "END    A"}));
    }

    void callStackPushPop()
    {
        TCallStack stack;
        QCOMPARE(stack.Current(), QString());
        stack.Pop();
        QCOMPARE(stack.Current(), QString());
        stack.Push(QStringLiteral("A"));
        stack.Push(QStringLiteral("B"));
        QCOMPARE(stack.Current(), QStringLiteral("B"));
        QCOMPARE(stack.Items(), (QStringList{QString(), QStringLiteral("A")}));
        stack.Pop();
        QCOMPARE(stack.Current(), QStringLiteral("A"));
        stack.Pop();
        QCOMPARE(stack.Current(), QString());
        QCOMPARE(stack.Count(), 0);
        stack.Push(QStringLiteral("C"));
        stack.Clear();
        QCOMPARE(stack.Current(), QString());
        QCOMPARE(stack.Count(), 0);
    }

    void blockedOperations_data()
    {
        QTest::addColumn<int>("operation");
        const char* names[] = {"Add",    "AddStrings", "Insert",   "InsertObject",
                               "Delete", "Move",       "Exchange", "SetText (loading text)",
                               "Assign"};
        for (int i = 0; i < int(std::size(names)); ++i)
            QTest::newRow(names[i]) << i;
    }

    void blockedOperations()
    {
        QFETCH(int, operation);
        TCallStack stack;
        stack.Push(QStringLiteral("A"));
        stack.Push(QStringLiteral("B"));
        const QStringList before = stack.Items();
        TCallStack other;
        int object = 0;
        try {
            switch (operation) {
            case 0:
                stack.Add(QStringLiteral("x"));
                break;
            case 1:
                stack.AddStrings({QStringLiteral("x"), QStringLiteral("y")});
                break;
            case 2:
                stack.Insert(0, QStringLiteral("x"));
                break;
            case 3:
                stack.InsertObject(0, QStringLiteral("x"), &object);
                break;
            case 4:
                stack.Delete(0);
                break;
            case 5:
                stack.Move(0, 1);
                break;
            case 6:
                stack.Exchange(0, 1);
                break;
            case 7:
                stack.SetText(QStringLiteral("x\ny"));
                break;
            case 8:
                stack.Assign(other);
                break;
            }
            QFAIL("no EHiddenProc raised");
        } catch (const EHiddenProc& error) {
            QCOMPARE(error.message(), QStringLiteral("Error - use only push & pop to access stack"));
        }
        QCOMPARE(stack.Items(), before);
        QCOMPARE(stack.Current(), QStringLiteral("B"));
        stack.Push(QStringLiteral("C"));
        QCOMPARE(stack.Current(), QStringLiteral("C"));
        stack.Pop();
        stack.Pop();
        QCOMPARE(stack.Current(), QStringLiteral("A"));
        stack.Pop();
        QCOMPARE(stack.Count(), 0);
    }

    void unblockedOperations()
    {
        TCallStack stack;
        int object = 0;
        QCOMPARE(stack.AddObject(QStringLiteral("b"), &object), 0);
        stack.AddObject(QStringLiteral("a"), nullptr);
        stack.Put(1, QStringLiteral("c"));
        stack.PutObject(1, &object);
        QCOMPARE(stack.Objects(1), &object);
        stack.Sort();
        QCOMPARE(stack.Items(), (QStringList{"b", "c"}));
    }

    // Several threads trace at once: every line arrives whole, the lines form one correctly nested
    // log (each END names the innermost open block, at its BEG's indentation), and each thread's
    // own lines keep their order.
    void severalThreadsAtOnce()
    {
        TDataModule_Debug& module = makeModule();
        constexpr int Threads = 4;
        constexpr int Rounds = 150;
        std::latch ready(Threads); // all start tracing together
        std::vector<std::thread> workers;
        for (int t = 0; t < Threads; ++t) {
            workers.emplace_back([&module, &ready, t] {
                ready.arrive_and_wait();
                for (int r = 0; r < Rounds; ++r) {
                    module.TraceBegin(QStringLiteral("T%1.outer%2").arg(t).arg(r));
                    module.TraceBegin(QStringLiteral("T%1.inner%2").arg(t).arg(r));
                    module.TraceEnd();
                    module.TraceEnd();
                }
            });
        }
        // The user-interface thread traces meanwhile too.
        for (int r = 0; r < Rounds; ++r) {
            module.TraceBegin(QStringLiteral("UI.block%1").arg(r));
            module.TraceEnd();
        }
        for (std::thread& worker : workers)
            worker.join();
        const int expected = Threads * Rounds * 4 + Rounds * 2;
        QTRY_COMPARE_WITH_TIMEOUT(m_lines.size(), expected, 30000);
        QCOMPARE(module.Depth(), 0);

        static const QRegularExpression whole(
            QStringLiteral("^(\\t*)(BEG|END)    ((T\\d\\.(outer|inner)|UI\\.block)\\d+)$"));
        QStringList open;
        QList<int> nextOuter(Threads, 0);
        for (const QString& line : std::as_const(m_lines)) {
            const QRegularExpressionMatch m = whole.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const int tabs = int(m.capturedLength(1));
            const QString name = m.captured(3);
            if (m.captured(2) == QLatin1String("BEG")) {
                QCOMPARE(tabs, int(open.size()));
                open.append(name);
                if (name.startsWith(u'T') && name.contains(QLatin1String("outer"))) {
                    const int t = name.mid(1, 1).toInt();
                    QCOMPARE(name, QStringLiteral("T%1.outer%2").arg(t).arg(nextOuter[t]));
                    ++nextOuter[t];
                }
            } else {
                QVERIFY(!open.isEmpty());
                QCOMPARE(tabs, int(open.size()) - 1);
                QCOMPARE(name, open.last());
                open.removeLast();
            }
        }
        QVERIFY(open.isEmpty());
        for (int t = 0; t < Threads; ++t)
            QCOMPARE(nextOuter[t], Rounds);
    }
};

HOURGLEN_TEST_MAIN(TestTraceLog)
#include "tst_TraceLog.moc"
