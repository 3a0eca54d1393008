#pragma once

#include "LineScript.h"
#include "SoundFiles.h"
#include "UnitFaults.h"
#include "UploadRig.h"

#include "commands/CommandContext.h"
#include "commands/Palette.h"
#include "protocol/DecodedAudio.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>

#include <optional>

// Table rows give their texts as UTF-8 literals or as texts built from them.
inline QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}
inline QString text(const QString &text)
{
    return text;
}

// A script table's row: the script, then what rig.expect compares.
template <typename... Texts> void scriptRow(const char *name, const Texts &...texts)
{
    (QTest::newRow(name) << ... << text(texts));
}

// A main window on the simulated unit (port 1 open, not loaded), driven by a short script, and
// what it left as texts that a table row compares whole. Steps are separated by ";", words by
// blanks; in bytes "\xNN" and "\r" stand for that byte. Besides the handlers and timers by name:
//   new (a fresh window: port closed, only Timer2 running), click N, opt N, +N (ms pass),
//   store L NAME BYTES [RATE], reg N V, silent [POINT [N]], reply POINT BYTES [N], noise,
//   vanish, close, yes, no (answers to the coming questions), hold, release (another command
//   holds the unit), mark (forgets what was recorded), wave FILE BITS CHANNELS RATE FRAMES,
//   flac FILE CHANNELS RATE FRAMES, KEY=VALUE (see set), ?KEY=VALUE (compares probe(KEY)),
//   events[@N] A,B / waiting A,B / answered A,B: steps run whenever (or the Nth time) the command
//   lets events run / while the overflow dialog waits / once it has its answer.
struct CommandsRig : UploadRig {
    void run(const QString &script, QChar separator = u';')
    {
        for (const QString &step : script.split(separator, Qt::SkipEmptyParts))
            runStep(step.trimmed());
    }

    void runStep(const QString &step)
    {
        using Handler = void (MainController::*)();
        using M = MainController;
        static const QStringList names
            = QStringLiteral("directory erase eraseAll play tick stop "
                             "exit fileExit pickMode mfg read clear setup "
                             "timer2 timer3 timer5 load")
                  .split(u' ');
        static const Handler handlers[] { &M::cmdDirectory_Click, &M::cmdErase_Click,
            &M::mnuToolsErase_Click, &M::cmdPlay_Click, &M::Timer4_Timer, &M::cmdAbort_Click,
            &M::cmdExit_Click, &M::mnuFileExit_Click, &M::cmbMode_Click, &M::mnuToolsMfg_Click,
            &M::mnuToolsRead_Click, &M::mnuToolsClear_Click, &M::mnuToolsSetup_Click,
            &M::Timer2_Timer, &M::Timer3_Timer, &M::Timer5_Timer, &M::Form_Load };
        const QStringList w = step.split(u' ', Qt::SkipEmptyParts);
        const QString verb = w.value(0).section(u'@', 0, 0);
        const auto n
            = [&w](int i, int otherwise) { return w.size() > i ? w.at(i).toInt() : otherwise; };
        if (step.startsWith(u'?')) {
            QCOMPARE(probe(step.mid(1).section(u'=', 0, 0)), step.section(u'=', 1));
        } else if (verb == u"events" || verb == u"waiting" || verb == u"answered") {
            const int only = w.at(0).section(u'@', 1).toInt();
            const QString steps = step.section(u' ', 1);
            const auto hook = [this, steps, only] {
                if (only == 0 || surface.eventRuns == only)
                    run(steps, u',');
            };
            (verb == u"events"           ? surface.onEvents
                    : verb == u"waiting" ? overflow.whileWaiting
                                         : overflow.afterAnswer)
                = hook;
        } else if (step.contains(u'=')) {
            set(step.section(u'=', 0, 0), step.section(u'=', 1));
        } else if (names.contains(verb)) {
            (controller.get()->*handlers[names.indexOf(verb)])();
        } else if (verb == u"update" || verb == u"open") {
            if (w.size() > 1)
                prompter.files << paths.waveDir + u'/' + w.at(1);
            verb == u"open" ? controller->mnuFileOpen_Click() : controller->cmdChange_Click();
        } else if (verb == u"pickDelay") {
            controller->cmbDelay_Click(0);
        } else if (verb == u"click" || verb == u"opt") {
            verb == u"click" ? controller->txtMsg_Click(n(1, 0))
                             : controller->optLoc_Click(n(1, 0));
        } else if (verb.startsWith(u'+')) {
            clock.advance(verb.mid(1).toInt());
        } else if (verb == u"new") {
            held.reset();
            createController();
            controller->setOverflowPrompt(&overflow);
        } else if (verb == u"store") {
            unit.store(n(1, 0),
                { w.at(2).toLatin1().leftJustified(16, ' '), quint32(n(4, 8000)),
                    QByteArray(n(3, 0), '\x11') });
        } else if (verb == u"reg") {
            unit.setRegister(quint8(n(1, 0)), quint8(n(2, 0)));
        } else if (verb == u"silent") {
            w.size() == 1 ? unit.setSilent(true) : silence(unit, qPrintable(w.at(1)), n(2, 1));
        } else if (verb == u"reply") {
            replaceReply(unit, qPrintable(w.at(1)), scriptBytes(w.at(2)), n(3, 1));
        } else if (verb == u"noise") {
            unit.sendUnasked(50, 0, 3600 * 1000);
        } else if (verb == u"vanish" || verb == u"close") {
            verb == u"vanish" ? comm->vanish() : comm->PortOpen(false);
        } else if (verb == u"yes" || verb == u"no") {
            prompter.answers << (verb == u"yes");
        } else if (verb == u"hold" || verb == u"release") {
            verb == u"hold" ? void(held.emplace(controller->context())) : held.reset();
        } else if (verb == u"mark") {
            comm->clearLine();
            surface.statuses.clear();
            surface.states.clear();
            surface.eventRuns = 0;
            prompter.shown.clear();
            windows.calls.clear();
        } else if (verb == u"wave") {
            source = WaveFile {};
            source.bitsPerSample = quint16(n(2, 16));
            source.channels = quint16(n(3, 1));
            source.sampleRate = quint32(n(4, 8000));
            source.data = pcm(n(5, 0), n(3, 1), 3, n(2, 16));
            QVERIFY(source.write(paths.waveDir + u'/' + w.at(1)));
        } else if (verb == u"flac") {
            const QString path = paths.waveDir + u'/' + w.at(1);
            QCOMPARE(writeSound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, n(3, 0), n(2, 1),
                         tones(n(4, 0), n(3, 0), n(2, 1), 1.0)),
                QString());
            // Decoded, a file reads as a mono 16-bit wave file of its first channel would.
            DecodedAudio decoded(path);
            source = WaveFile {};
            source.data = decoded.open(QIODevice::ReadOnly) ? decoded.readAll() : QByteArray();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step: ") + step));
        }
    }

    void set(const QString &key, const QString &value)
    {
        QString *const texts[] { &surface.mode, &surface.delay, &declarations.CurrentOperation,
            &declarations.BaudRate, &overflow.answer };
        const qsizetype text = QStringLiteral("mode delay op baud answer").split(u' ').indexOf(key);
        if (text >= 0)
            *texts[text] = value;
        else if (key == u"select" || key == u"port")
            (key == u"select" ? declarations.SelectedLocation : declarations.CommPort)
                = qint16(value.toInt());
        else if (key == u"reduce" || key == u"pending")
            (key == u"reduce" ? surface.autoReduce : declarations.AutoSearchPending)
                = value == u"1";
        else if (key == u"names")
            for (int i = 0; i < 8; ++i) {
                const QString name = value.section(u',', i, i);
                declarations.LocationNames.at(size_t(i)) = surface.names.at(size_t(i))
                    = name.isEmpty() ? QString() : name.leftJustified(16);
            }
        else
            QFAIL(qPrintable(QStringLiteral("unknown setting: ") + key));
    }

    QString probe(const QString &key) const
    {
        const auto eight = [](auto part, const char *separator = " ") {
            QStringList list;
            for (int i = 0; i < 8; ++i)
                list << part(i);
            return list.join(QString::fromLatin1(separator));
        };
        const auto number = [](auto value) { return QString::number(value); };
        const auto yes = [](bool value) { return QString::fromLatin1(value ? "yes" : "no"); };
        const auto &line = comm->line();
        const auto &stored = unit.messageAt(declarations.SelectedLocation);
        MainTimers &t = controller->timers();
        if (key == u"sent")
            return lineText(comm->written());
        if (key == u"erased" || key == u"loaded") {
            // The command letter and the location each go out as a write of their own.
            QString digits;
            for (qsizetype i = 0; i + 1 < line.size(); ++i)
                if (line.at(i).bytes == (key == u"erased" ? "C" : "L"))
                    digits += QString::fromLatin1(line.at(i + 1).bytes.mid(1));
            return digits;
        }
        if (key == u"names")
            return eight([this](int i) { return surface.names.at(size_t(i)).trimmed(); }, ",");
        if (key == u"widths")
            return eight([&](int i) { return number(surface.widths.at(size_t(i))); });
        if (key == u"colours") // the palette index of each bar's colour
            return eight(
                [this](int i) {
                    const qsizetype at = QList(palette.begin(), palette.end())
                                             .indexOf(surface.colours.at(size_t(i)));
                    return at < 0 ? QStringLiteral("?") : QString::number(at);
                },
                "");
        if (key == u"unit") // the first location of the message each location holds
            return eight(
                [this](int i) {
                    const auto owner = unit.ownerOf(i);
                    return owner ? QString::number(*owner) : QStringLiteral(".");
                },
                "");
        if (key == u"regs") // the mode register, then the eight delay registers
            return number(unit.registerValue(1)) + u' '
                + eight([&](int i) { return number(unit.registerValue(quint8(9 + i))); });
        if (key == u"timers") {
            const QTimer *timers[] { &t.Timer1, &t.Timer2, &t.Timer3, &t.Timer4, &t.Timer5 };
            QStringList active; // "4:500": Timer4 runs, every 500 ms
            for (int i = 0; i < 5; ++i)
                if (timers[i]->isActive())
                    active << QStringLiteral("%1:%2").arg(i + 1).arg(timers[i]->interval());
            return active.join(u' ');
        }
        if (key == u"progress") {
            QStringList values;
            for (int value : surface.progressValues)
                values << number(value);
            return values.join(u' ');
        }
        const QHash<QString, QString> simple {
            { QStringLiteral("mode"), surface.mode },
            { QStringLiteral("delay"), surface.delay },
            { QStringLiteral("op"), declarations.CurrentOperation },
            { QStringLiteral("windows"), windows.calls.join(u',') },
            { QStringLiteral("items"), (surface.modeItems + surface.delayItems).join(u',') },
            { QStringLiteral("events"), number(surface.eventRuns) },
            { QStringLiteral("files"), number(prompter.files.size()) },
            { QStringLiteral("status"), tilde(surface.statusText) },
            { QStringLiteral("dialog"),
                tilde((prompter.dialogFolders + prompter.dialogFilters).join(u'|')) },
            { QStringLiteral("selected"),
                QStringLiteral("%1/%2").arg(declarations.SelectedLocation).arg(surface.selected) },
            { QStringLiteral("open"), yes(comm->PortOpen()) },
            { QStringLiteral("focus"), yes(surface.directoryFocused) },
            { QStringLiteral("offered"), yes(surface.busy && surface.abort) },
            // The line ends with a drain's read of 10 with a 200 ms wait.
            { QStringLiteral("drained"),
                yes(!line.isEmpty() && line.last().count == 10 && line.last().waitMs == 200) },
            { QStringLiteral("offer"), overflow.shown.description + u'|' + overflow.shown.convert },
        };
        if (simple.contains(key))
            return simple.value(key);
        if (!stored)
            return QStringLiteral("none stored");
        if (key == u"rate" || key == u"name")
            return key == u"rate" ? number(stored->sampleRate) : QString::fromLatin1(stored->name);
        return key == u"audio" ? audioCheck(stored->audio) : QStringLiteral("unknown probe");
    }

    // The stored words against the source's first channel at every 2^ReduceSteps-th frame,
    // offset binary, high byte first, silence past its end; of an 8-bit word only its high byte
    // is the sample's, and its low byte is never 0. Worked out apart from the code under test.
    QString audioCheck(const QByteArray &audio) const
    {
        const int bytes = source.bitsPerSample / 8;
        const qsizetype frame = qsizetype(source.channels * bytes) << declarations.ReduceSteps;
        for (qsizetype w = 0, at = 0; w < audio.size() / 2; ++w, at += frame) {
            const auto byte = [this](qsizetype i) { return int(quint8(source.data.at(i))); };
            const int want = at + bytes > source.data.size() ? 0x8000
                : bytes == 1                                 ? byte(at) << 8
                             : (qint16(byte(at) | byte(at + 1) << 8) + 32768);
            const int got = int(quint8(audio.at(2 * w))) << 8 | int(quint8(audio.at(2 * w + 1)));
            if (bytes == 2 ? got != want : (got >> 8 != want >> 8 || (got & 0xFF) == 0))
                return QStringLiteral("differs at word %1").arg(w);
        }
        return QStringLiteral("ok");
    }

    QString tilde(QString text) const { return text.replace(paths.waveDir, QStringLiteral("~")); }

    // Every status in order, every box ("Title: text", a question "Title? text"), and the
    // controls: "busy" and "idle" in order, then "stop" when Stop is left enabled and "held"
    // when the unit commands are left refused.
    void expect(
        const QString &statuses, const QString &boxes, const QString &controls, const QString &more)
    {
        QCOMPARE(tilde(surface.statuses.join(u'|')), statuses);
        QCOMPARE(tilde(CommandsRig::boxes(prompter)), boxes);
        QStringList states = surface.states;
        if (surface.abort)
            states << QStringLiteral("stop");
        if (!surface.unitCommandsEnabled)
            states << QStringLiteral("held");
        QCOMPARE(states.join(u' '), controls);
        QStringList got;
        static const QRegularExpression items(QStringLiteral(";(?=[a-z]+=)"));
        for (const QString &item : more.split(items, Qt::SkipEmptyParts))
            got << item.section(u'=', 0, 0) + u'=' + probe(item.section(u'=', 0, 0));
        QCOMPARE(got.join(u';'), more);
        QCOMPARE(declarations.LocationNames, surface.names);
        QVERIFY(!surface.progressVisible);
        // The component keeps nothing back for the next command.
        QVERIFY(!comm->takeError());
    }

    static void addScriptColumns()
    {
        for (const char *column : { "script", "statuses", "boxes", "controls", "more" })
            QTest::addColumn<QString>(column);
    }
    // Runs the current row of a script table on a fresh rig.
    static void runScriptRow()
    {
        QFETCH(QString, script);
        QFETCH(QString, statuses);
        QFETCH(QString, boxes);
        QFETCH(QString, controls);
        QFETCH(QString, more);
        CommandsRig rig;
        rig.run(script);
        rig.expect(statuses, boxes, controls, more);
    }

    static QString boxes(const RecordingPrompter &prompter)
    {
        QStringList shown;
        for (const auto &box : prompter.shown)
            shown << box.title + (box.question ? u"? " : u": ") + box.text;
        return shown.join(u'|');
    }

    static QByteArray scriptBytes(const QString &text)
    {
        QByteArray bytes = text.toLatin1().replace("\\r", "\r");
        for (qsizetype at; (at = bytes.indexOf("\\x")) >= 0;)
            bytes.replace(at, 4, QByteArray(1, char(bytes.mid(at + 2, 2).toInt(nullptr, 16))));
        return bytes;
    }

    std::optional<UnitWork> held;
    WaveFile source; // the samples of the last file written, as the command should read them
};
