#include <cstdio>

#include <QSettings>

#include "ShrinkCli.h"
#include "settings/SettingsStore.h"

int main(int argc, char **argv)
{
    // The dialog's stored settings, read only: this tool never writes them.
    const auto stored = settings::OpenUserSettings(QStringLiteral("trelvo"));
    settings::CQSettingsProfile profile(*stored);
    return RunShrinkCli(argc, argv, stdout, stderr, &profile);
}
