// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/Version.h"
#include "replay/ReplayCommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int Done = 0;
constexpr int NoDisplay = 1;
constexpr int BadUsage = 2;

const QString ProgramName = QStringLiteral("crawlix");
const QString Description = QStringLiteral(
    "A small arcade game: steer the bug with the arrow keys up the walled field, past\n"
    "still and sliding bombs. The options and the top ten are kept in\n"
    "$XDG_DATA_HOME/crawlix/registry.db (normally ~/.local/share/crawlix/registry.db).");

// What Qt says when the window system cannot be reached, before it aborts.
const QString NoPlatform = QStringLiteral("no Qt platform plugin could be initialized");
// The lines Qt prints on the way there, which the one line replaces.
const std::array<QString, 3> OnTheWay = {QStringLiteral("could not connect to display"),
                                         QStringLiteral("Could not load the Qt platform plugin"),
                                         QStringLiteral("Could not find the Qt platform plugin")};

// Qt's own options, which the application object takes from the command line: their
// names, and whether the word after one is its value. Qt takes them with one dash or two,
// and the valued ones also as -name=value.
struct QtOption {
    const char* name;
    bool valued;
};
constexpr QtOption QtOptions[] = {
    {"platform", true}, {"platformpluginpath", true}, {"platformtheme", true},
    {"plugin", true}, {"display", true}, {"style", true}, {"stylesheet", true},
    {"qwindowgeometry", true}, {"geometry", true}, {"qwindowtitle", true}, {"title", true},
    {"qwindowicon", true}, {"icon", true}, {"session", true}, {"name", true},
    {"reverse", false}, {"widgetcount", false}, {"sync", false}, {"nograb", false},
    {"dograb", false},
};

// The option's name as typed, without its dashes and without a value after "=".
QString optionName(const QString& argument)
{
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    return name.section(u'=', 0, 0);
}

const QtOption* qtOption(const QString& argument)
{
    if (!argument.startsWith(u'-') || argument == QStringLiteral("-")
        || argument == QStringLiteral("--"))
        return nullptr;
    const QString name = optionName(argument);
    for (const QtOption& option : QtOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

// What the command line holds besides Qt's options, and the platform and display that
// Qt's options ask for, if any.
struct Arguments {
    QStringList ours;
    QString platform;
    QString display;
};

Arguments split(int argc, char* argv[])
{
    Arguments split;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QtOption* option = i > 0 && !optionsEnded ? qtOption(argument) : nullptr;
        optionsEnded = optionsEnded || argument == QStringLiteral("--");
        if (!option) {
            split.ours << argument;
            continue;
        }
        QString value = argument.section(u'=', 1);
        if (option->valued && !argument.contains(u'=') && i + 1 < argc)
            value = QString::fromLocal8Bit(argv[++i]);
        if (optionName(argument) == QStringLiteral("platform"))
            split.platform = value;
        if (optionName(argument) == QStringLiteral("display"))
            split.display = value;
    }
    return split;
}

QtMessageHandler passOn = nullptr;

void say(const QString& line)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramName), qPrintable(line));
}

// The display named on the command line (-display), if any.
QString displayArgument;

QString displayName()
{
    const QString x = displayArgument.isEmpty() ? qEnvironmentVariable("DISPLAY") : displayArgument;
    return x.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : x;
}

// Qt's own account of a display it cannot open is several lines ending in an abort; the
// player gets one line and exit status 1 instead. Every other message goes on as before.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg && message.contains(NoPlatform)) {
        say(QStringLiteral("cannot open display %1").arg(displayName()).trimmed());
        std::fflush(stderr);
        _exit(NoDisplay);
    }
    for (const QString& line : OnTheWay) {
        if (message.contains(line))
            return;
    }
    if (passOn)
        passOn(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// The X platform, Qt's default here, needs DISPLAY; with neither DISPLAY nor WAYLAND_DISPLAY
// and no other platform asked for, there is nothing to open.
bool displayMissing(const Arguments& arguments)
{
    const QString asked = arguments.platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM")
                                                       : arguments.platform;
    const QString platform = asked.section(u';', 0, 0);
    const bool x = platform.isEmpty() || platform == QStringLiteral("xcb");
    return x && arguments.display.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// On a Wayland desktop that also offers X (XWayland), the game goes through X, unless the
// player asked for a platform: there its windows open where it places them and the X
// server draws its pictures. Should X fail to open, Wayland is tried.
void preferX(const Arguments& arguments)
{
    const bool asked = !arguments.platform.isEmpty() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!asked && !qEnvironmentVariableIsEmpty("DISPLAY")
        && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

// The first option the parser did not know, as the player typed it.
QString unknownOption(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QString name = parser.unknownOptionNames().constFirst();
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(u'-') && optionName(argument) == name)
            return argument.section(u'=', 0, 0);
    }
    return QStringLiteral("--") + name;
}

// The help names the program as the player typed it; Qt takes that from an application
// object, made here only to print and end.
void showHelp(const QCommandLineParser& parser, int argc, char* argv[])
{
    QCoreApplication printing(argc, argv);
    std::fputs(qPrintable(parser.helpText()), stdout);
}
} // namespace

namespace CommandLine {

Start handle(int argc, char* argv[])
{
    const auto end = [](int status) { return Start{Start::What::End, status, {}, {}}; };
    QCoreApplication::setApplicationName(ProgramName);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    // Qt's own options (-platform, -style ...) are left to Qt, so the help lists only these.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and ends."));
    const QCommandLineOption replay(QStringLiteral("replay"),
                                    QStringLiteral("Plays the kept game of a top ten RANK (1 to 10), or a "
                                                   "replay FILE, in the game window."),
                                    QStringLiteral("RANK|FILE"));
    const QCommandLineOption verify(QStringLiteral("verify"),
                                    QStringLiteral("Plays every kept game (or the replay FILE) again without "
                                                   "a display and tells whether it proves its score: "
                                                   "0 all proven, 1 one differs, 2 the list cannot be read."));
    parser.addOptions({help, version, replay, verify});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("With --verify: the one replay file to verify."),
                                 QStringLiteral("[--verify [FILE]]"));
    // "-style" is one unknown option, not the five letters s, t, y, l and e.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

    const Arguments arguments = split(argc, argv);
    if (!parser.parse(arguments.ours)) {
        const QString problem = parser.unknownOptionNames().isEmpty()
            ? parser.errorText()
            : QStringLiteral("unknown option: %1.").arg(unknownOption(parser, arguments.ours));
        say(problem + QStringLiteral(" Try '%1 --help'.").arg(ProgramName));
        return end(BadUsage);
    }
    if (parser.isSet(help)) {
        showHelp(parser, argc, argv);
        return end(Done);
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(ProgramName), Version::Text);
        return end(Done);
    }
    if (parser.isSet(verify) && parser.positionalArguments().size() <= 1)
        return Start{Start::What::Verify, 0, parser.positionalArguments().value(0), {}};
    Start start;
    if (parser.isSet(replay)) {
        start.what = Start::What::Watch;
        start.replay = ReplayCommands::replayToWatch(parser.value(replay));
        if (!start.replay)
            return end(ReplayCommands::NotProven);
    }
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("unexpected argument '%1'. Try '%2 --help'.")
                .arg(parser.positionalArguments().constFirst(), ProgramName));
        return end(BadUsage);
    }
    if (displayMissing(arguments)) {
        say(QStringLiteral("cannot open display (DISPLAY is not set)"));
        return end(NoDisplay);
    }
    displayArgument = arguments.display;
    preferX(arguments);
    passOn = qInstallMessageHandler(onQtMessage);
    return start;
}

} // namespace CommandLine
