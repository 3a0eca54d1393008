#pragma once

#include "LineScript.h"
#include "SoundFiles.h"
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

// A main window on the simulated unit (port 1 open, not loaded), driven by a short script, and
// what it left as texts that a table row compares whole. Steps are separated by ";", words by
// blanks; in bytes "\xNN" and "\r" stand for that byte.
//   directory update [FILE] open FILE erase eraseAll play tick stop exit fileExit pickMode
//   pickDelay mfg read clear setup timer2 timer3 timer5 load: the window's handlers and timers
//   new                  a fresh window: port closed, only Timer2 running
//   click N, opt N       txtMsg_Click, optLoc_Click
//   +N                   N ms pass on the virtual clock
//   store L NAME BYTES [RATE], reg N V, record LOCATIONBYTE NAME BYTES (the reply to "D")
//   silent [POINT [N]], late POINT [N], reply POINT BYTES [N], noise, vanish, close, raise
//   yes, no              answers to the coming questions
//   hold, release        another command holds the unit, then lets it go
//   mark                 forgets what was recorded so far
//   wave FILE BITS CHANNELS RATE FRAMES [DECLARED], sound FILE KIND CHANNELS RATE FRAMES,
//   cut FILE BYTES (0: to half), chunk FILE (another chunk after the data)
//   events[@N] A,B       steps run whenever (or the Nth time) the command lets events run
//   waiting A,B / answered A,B    while the overflow dialog waits / once it has its answer
//   KEY=VALUE            sets select, names (comma list), mode, delay, op, port, baud, answer,
//                        reduce, pending (the port search)
//   ?KEY=VALUE           compares probe(KEY) with VALUE at that point
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
        const auto fault = [&](UnitEngine::Fault::Kind kind, int occurrence,
                               const QByteArray &bytes, const QByteArray &point = {}) {
            unit.injectFault({ point.isEmpty() ? w.at(1).toLatin1() : point, kind, occurrence, 0,
                bytes, 45000 });
        };
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
        } else if (verb == u"store" || verb == u"record") {
            const UnitEngine::StoredMessage stored { w.at(2).toLatin1().leftJustified(16, ' '),
                quint32(n(4, 8000)), QByteArray(n(3, 0), '\x11') };
            if (verb == u"store")
                unit.store(n(1, 0), stored);
            else
                fault(UnitEngine::Fault::Replace, 1, UnitEngine::directoryRecord(n(1, 0), stored),
                    "D");
        } else if (verb == u"reg") {
            unit.setRegister(quint8(n(1, 0)), quint8(n(2, 0)));
        } else if (verb == u"silent") {
            w.size() == 1 ? unit.setSilent(true) : fault(UnitEngine::Fault::NoReply, n(2, 1), {});
        } else if (verb == u"late") {
            fault(UnitEngine::Fault::Delay, n(2, 1), {});
        } else if (verb == u"reply") {
            fault(UnitEngine::Fault::Replace, n(3, 1), scriptBytes(w.at(2)));
        } else if (verb == u"noise") {
            unit.sendUnasked(50, 0, 3600 * 1000);
        } else if (verb == u"vanish" || verb == u"close" || verb == u"raise") {
            verb == u"vanish"      ? comm->vanish()
                : verb == u"close" ? comm->PortOpen(false)
                                   : comm->setOpenRaisesError(true);
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
            source.data = n(2, 16) == 8 ? pcm8(n(5, 0), n(3, 1), 3) : pcm16(n(5, 0), n(3, 1), 3);
            if (w.size() > 6)
                source.declaredDataSize = quint32(n(6, 0));
            QVERIFY(source.write(paths.waveDir + u'/' + w.at(1)));
        } else if (verb == u"sound") {
            const int kinds[] { SF_FORMAT_FLAC | SF_FORMAT_PCM_16, SF_FORMAT_OGG | SF_FORMAT_VORBIS,
                SF_FORMAT_OGG | SF_FORMAT_OPUS, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III };
            const int kind
                = kinds[QStringLiteral("flac ogg opus mp3").split(u' ').indexOf(w.at(2))];
            const QString path = paths.waveDir + u'/' + w.at(1);
            QCOMPARE(
                writeSound(path, kind, n(4, 0), n(3, 1), tones(n(5, 0), n(4, 0), n(3, 1), 1.0)),
                QString());
            // Decoded, a file reads as a mono 16-bit wave file of its first channel would.
            DecodedAudio decoded(path);
            source = WaveFile {};
            source.data = decoded.open(QIODevice::ReadOnly) ? decoded.readAll() : QByteArray();
        } else if (verb == u"cut" || verb == u"chunk") {
            QFile file(paths.waveDir + u'/' + w.at(1));
            if (verb == u"cut")
                QVERIFY(file.resize(n(2, 0) ? n(2, 0) : file.size() / 2));
            else if (file.open(QIODevice::Append))
                file.write(QByteArray("LIST\x40\0\0\0", 8) + QByteArray(64, 'x'));
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step: ") + step));
        }
    }

    void set(const QString &key, const QString &value)
    {
        if (key == u"select")
            declarations.SelectedLocation = qint16(value.toInt());
        else if (key == u"names")
            for (int i = 0; i < 8; ++i) {
                const QString name = value.section(u',', i, i);
                declarations.LocationNames.at(size_t(i)) = surface.names.at(size_t(i))
                    = name.isEmpty() ? QString() : name.leftJustified(16);
            }
        else if (key == u"mode" || key == u"delay")
            (key == u"mode" ? surface.mode : surface.delay) = value;
        else if (key == u"op" || key == u"baud" || key == u"answer")
            (key == u"op"            ? declarations.CurrentOperation
                    : key == u"baud" ? declarations.BaudRate
                                     : overflow.answer)
                = value;
        else if (key == u"port")
            declarations.CommPort = qint16(value.toInt());
        else if (key == u"reduce" || key == u"pending")
            (key == u"reduce" ? surface.autoReduce : declarations.AutoSearchPending)
                = value == u"1";
        else
            QFAIL(qPrintable(QStringLiteral("unknown setting: ") + key));
    }

    QString probe(const QString &key) const
    {
        const auto eight = [](auto part, const QString &separator = QStringLiteral(" ")) {
            QStringList list;
            for (int i = 0; i < 8; ++i)
                list << part(size_t(i));
            return list.join(separator);
        };
        const auto yes
            = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
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
            return eight(
                [this](size_t i) { return surface.names.at(i).trimmed(); }, QStringLiteral(","));
        if (key == u"widths")
            return eight([this](size_t i) { return QString::number(surface.widths.at(i)); });
        if (key == u"colours") // the palette index of each bar's colour
            return eight(
                [this](size_t i) {
                    const auto at
                        = std::find(palette.begin(), palette.end(), surface.colours.at(i));
                    return at == palette.end() ? QStringLiteral("?")
                                               : QString::number(at - palette.begin());
                },
                QString());
        if (key == u"unit") // the first location of the message each location holds
            return eight(
                [this](size_t i) {
                    const auto owner = unit.ownerOf(int(i));
                    return owner ? QString::number(*owner) : QStringLiteral(".");
                },
                QString());
        if (key == u"regs") // the mode register, then the eight delay registers
            return QString::number(unit.registerValue(1)) + u' ' + eight([this](size_t i) {
                return QString::number(unit.registerValue(quint8(9 + i)));
            });
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
                values << QString::number(value);
            return values.join(u' ');
        }
        if (key == u"mode" || key == u"delay" || key == u"op")
            return key == u"mode" ? surface.mode
                : key == u"delay" ? surface.delay
                                  : declarations.CurrentOperation;
        if (key == u"windows" || key == u"items")
            return (key == u"windows" ? windows.calls : surface.modeItems + surface.delayItems)
                .join(u',');
        if (key == u"events" || key == u"files")
            return QString::number(key == u"events" ? surface.eventRuns : prompter.files.size());
        if (key == u"status" || key == u"dialog")
            return tilde(key == u"status"
                    ? surface.statusText
                    : (prompter.dialogFolders + prompter.dialogFilters).join(u'|'));
        if (key == u"selected")
            return QStringLiteral("%1/%2").arg(declarations.SelectedLocation).arg(surface.selected);
        if (key == u"open" || key == u"focus" || key == u"offered")
            return yes(key == u"open" ? comm->PortOpen()
                    : key == u"focus" ? surface.directoryFocused
                                      : surface.busy && surface.abort);
        if (key == u"drained") // the line ends with a drain's read of 10 with a 200 ms wait
            return yes(!line.isEmpty() && line.last().count == 10 && line.last().waitMs == 200);
        if (!stored && (key == u"rate" || key == u"audio" || key == u"name"))
            return QStringLiteral("none stored");
        if (key == u"rate" || key == u"name")
            return key == u"rate" ? QString::number(stored->sampleRate)
                                  : QString::fromLatin1(stored->name);
        if (key == u"audio")
            return audioCheck(stored->audio);
        return QStringLiteral("unknown probe");
    }

    // The stored words against the source's first channel at every 2^ReduceSteps-th frame,
    // silence past its end: 16-bit words exactly, for 8 bits the high bytes with low bytes never 0.
    QString audioCheck(const QByteArray &audio) const
    {
        const int steps = declarations.ReduceSteps;
        const int words = int(audio.size() / 2);
        if (source.bitsPerSample == 16)
            return audio == expectedWords16(source.data, source.channels, steps, words)
                ? QStringLiteral("ok")
                : QStringLiteral("differs");
        QByteArray highs;
        for (qsizetype i = 0; i < audio.size(); i += 2) {
            highs += audio.at(i);
            if (audio.at(i + 1) == 0)
                return QStringLiteral("a low byte of 0");
        }
        return highs == expectedHighBytes8(source.data, source.channels, steps, words)
            ? QStringLiteral("ok")
            : QStringLiteral("differs");
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
