#include "HidCommandLine.h"

#include "framework/AgentProtocol.h"

#include <limits>

namespace {

struct Request
{
    const char *name;
    uint32_t message;
    uintptr_t defaultWParam;
};

constexpr Request kRequests[] = {
    {"close", AgentMessages::kCloseRequest, AgentMessages::kCloseReasonFirst},
    {"restore", AgentMessages::kRestoreRequest, 0},
    {"ping", AgentMessages::kQuery, 0},
    {"query", AgentMessages::kQuery, 0},
};

const Request *FindRequest(const QString &word)
{
    bool isNumber = false;
    const uint number = word.toUInt(&isNumber);
    for (const Request &request : kRequests)
        if (word == QLatin1String(request.name) || (isNumber && number == request.message))
            return &request;
    return nullptr;
}

HidOptions Invalid(const QString &error)
{
    HidOptions options;
    options.mode = HidOptions::Mode::Invalid;
    options.error = error;
    return options;
}

} // namespace

HidOptions ParseHidCommandLine(const QStringList &arguments)
{
    HidOptions options;
    bool sending = false;
    bool previewing = false;
    bool previewTuned = false;
    // A whole number from `low` to `high` after argument i.
    const auto numberAfter = [&arguments](int i, int low, int high, int &value) {
        bool ok = false;
        const int number = i + 1 < arguments.size() ? arguments[i + 1].toInt(&ok) : 0;
        if (!ok || number < low || number > high)
            return false;
        value = number;
        return true;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--preview")) {
            previewing = true;
            continue;
        }
        if (argument == QLatin1String("--leds")) {
            if (!numberAfter(i, 1, 120, options.previewLeds))
                return Invalid(QStringLiteral("--leds needs a number of LEDs from 1 to 120"));
            previewTuned = true;
            ++i;
            continue;
        }
        if (argument == QLatin1String("--frames")) {
            if (!numberAfter(i, 1, 1000000, options.previewFrames))
                return Invalid(QStringLiteral("--frames needs a number of frames from 1 to 1000000"));
            previewTuned = true;
            ++i;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.mode = HidOptions::Mode::Help;
            return options;
        }
        if (argument == QLatin1String("--timeout")) {
            bool ok = false;
            const int ms = i + 1 < arguments.size() ? arguments[i + 1].toInt(&ok) : 0;
            if (!ok || ms < 1 || ms > 60000)
                return Invalid(QStringLiteral("--timeout needs a number of milliseconds from 1 to 60000"));
            options.timeoutMs = ms;
            ++i;
            continue;
        }
        if (argument == QLatin1String("--send")) {
            if (sending)
                return Invalid(QStringLiteral("only one --send at a time"));
            if (i + 1 >= arguments.size())
                return Invalid(QStringLiteral("--send needs a request: close, restore or ping"));
            const Request *request = FindRequest(arguments[i + 1]);
            if (!request)
                return Invalid(QStringLiteral("unknown request \"%1\"").arg(arguments[i + 1]));
            sending = true;
            options.mode = HidOptions::Mode::Send;
            options.message = request->message;
            options.wParam = request->defaultWParam;
            i += 1;
            // An optional wParam follows.
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-'))) {
                bool ok = false;
                const qulonglong value = arguments[i + 1].toULongLong(&ok);
                if (!ok || value > std::numeric_limits<uintptr_t>::max())
                    return Invalid(QStringLiteral("wParam \"%1\" is not an unsigned number").arg(arguments[i + 1]));
                options.wParam = static_cast<uintptr_t>(value);
                ++i;
            }
            continue;
        }
        return Invalid(QStringLiteral("unknown argument \"%1\"").arg(argument));
    }
    if (previewing && sending)
        return Invalid(QStringLiteral("--preview and --send cannot be combined"));
    if (previewTuned && !previewing)
        return Invalid(QStringLiteral("--leds and --frames go with --preview"));
    if (previewing)
        options.mode = HidOptions::Mode::Preview;
    return options;
}

QString HidUsage()
{
    return QStringLiteral("Usage: hid [--send REQUEST [WPARAM]] [--timeout MS]\n"
                          "       hid --preview [--leds N] [--frames N]\n"
                          "Without --send, runs as the lighting agent: listens as \"%1\",\n"
                          "reads the settings file at start and again whenever Config saves it, and\n"
                          "reports the lighting it would apply on standard output and in its log\n"
                          "($XDG_STATE_HOME/Zarvik/LOG/hid.log). Only one agent runs at a time; it\n"
                          "ends on SIGTERM or when its window is sent the close message (16).\n"
                          "\n"
                          "--send sends one request to Config's window \"%2\" and prints its answer:\n"
                          "  close [WPARAM]   message 1624, WPARAM 1625 (default) or 1626 closes Config\n"
                          "  restore          message 4000, shows Config's window normally\n"
                          "  ping | query     message 1044, answered 1\n"
                          "  The numbers 1624, 4000 and 1044 may be given instead of the names.\n"
                          "--timeout MS       how long a send waits for the answer (default 3000)\n"
                          "\n"
                          "--preview draws the lighting of the settings file in a true-colour terminal,\n"
                          "one line of N LEDs per device (--leds, 1 to 120, default 12), 30 times a\n"
                          "second, following the file as Config saves it; it ends on Ctrl+C or SIGTERM,\n"
                          "or after --frames frames. It does not run as the agent.\n"
                          "\n"
                          "Exit status: 0 done, 1 no answer or no window, 2 bad command line.\n")
        .arg(QLatin1String(AgentTitles::kAgent), QLatin1String(AgentTitles::kConfig));
}
