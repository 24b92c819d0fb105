// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundLibrary.h"

#include "platform/GameFiles.h"
#include "sound/SoundModule.h"

#include <QFile>
#include <QTextStream>
#include <dlfcn.h>

namespace {
SoundModule* module = nullptr;
bool tried = false;

void warn(const char* why)
{
    QTextStream(stderr) << "crawlix: no sound: " << why << Qt::endl;
}
} // namespace

namespace SoundLibrary {

SoundModule* load()
{
    if (module || tried)
        return module;
    tried = true;
    const QString file = GameFiles::libraryFile(QStringLiteral(CRAWLIX_SOUND_MODULE));
    // Never closed: the module stays for the run once the sound has been heard.
    void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        warn(dlerror());
        return nullptr;
    }
    auto entry = reinterpret_cast<SoundModuleEntryFunction>(dlsym(handle, SoundModuleEntry));
    if (!entry) {
        warn(dlerror());
        return nullptr;
    }
    module = entry();
    return module;
}

void useLinked(SoundModule& linked) { module = &linked; }

} // namespace SoundLibrary
