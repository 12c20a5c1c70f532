#include "HidAgent.h"

#include "HidLog.h"
#include "LightingReport.h"
#include "framework/AgentProtocol.h"
#include "settings/LightingSettings.h"

HidAgent::HidAgent(Output output, std::function<void()> onClose)
    : output(std::move(output))
    , onClose(std::move(onClose))
    , endpoint(QString::fromLatin1(AgentTitles::kAgent),
               [this](uint32_t message, uintptr_t, intptr_t) { return OnMessage(message); })
{ }

LocalWindowEndpoint::ListenResult HidAgent::Start()
{
    const LocalWindowEndpoint::ListenResult result = endpoint.Listen();
    if (result != LocalWindowEndpoint::ListenResult::Listening)
        return result;
    WriteHidLog(QStringLiteral("listening as \"%1\"").arg(QLatin1String(AgentTitles::kAgent)));
    Apply(QStringLiteral("start"));
    return result;
}

void HidAgent::Stop()
{
    endpoint.Close();
}

intptr_t HidAgent::OnMessage(uint32_t message)
{
    if (message == AgentMessages::kCloseWindow) {
        WriteHidLog(QStringLiteral("asked to close"));
        if (onClose)
            onClose();
        return 0;
    }
    if (message != AgentMessages::kSettingsSaved)
        return 0;
    Apply(QStringLiteral("notified"));
    return 1;
}

void HidAgent::Apply(const QString &reason)
{
    ++applyCount;
    const QString path = SettingsPath();
    LightingSettings settings;
    const SettingsRead read = ReadSettingsWithoutWriting(path, settings);

    QString source;
    switch (read) {
    case SettingsRead::Loaded:
        source = path;
        break;
    case SettingsRead::Missing:
        source = QStringLiteral("no settings file at %1, the defaults").arg(path);
        break;
    case SettingsRead::Unreadable:
        source = QStringLiteral("settings file %1 unreadable, the defaults").arg(path);
        break;
    }
    Report(QStringLiteral("apply #%1 (%2): %3").arg(applyCount).arg(reason, source));
    for (const QString &line : DescribeLighting(settings))
        Report(line);
}

void HidAgent::Report(const QString &line)
{
    if (output)
        output(line);
    WriteHidLog(line);
}
