#include "app/CommandLine.h"

#include "app/Version.h"

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

QtMessageHandler passOn = nullptr;

void say(const QString& line)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramName), qPrintable(line));
}

QString displayName()
{
    const QString x = qEnvironmentVariable("DISPLAY");
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
bool displayMissing()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u';', 0, 0);
    const bool x = platform.isEmpty() || platform == QStringLiteral("xcb");
    return x && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
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

std::optional<int> handle(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(ProgramName);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    // Qt's own options (-platform, -style ...) are not taken, so the help lists only these.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and ends."));
    parser.addOptions({help, version});

    if (!parser.parse(argumentsOf(argc, argv))) {
        say(parser.errorText() + QStringLiteral(" Try '%1 --help'.").arg(ProgramName));
        return BadUsage;
    }
    if (parser.isSet(help)) {
        showHelp(parser, argc, argv);
        return Done;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(ProgramName), Version::Text);
        return Done;
    }
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("unexpected argument '%1'. Try '%2 --help'.")
                .arg(parser.positionalArguments().constFirst(), ProgramName));
        return BadUsage;
    }
    if (displayMissing()) {
        say(QStringLiteral("cannot open display (DISPLAY is not set)"));
        return NoDisplay;
    }
    passOn = qInstallMessageHandler(onQtMessage);
    return std::nullopt;
}

} // namespace CommandLine
