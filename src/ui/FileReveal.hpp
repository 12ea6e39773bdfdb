#pragma once

#include <QString>

namespace ventora::FileReveal {

/// Shows a file in the desktop's file manager: selected in Finder on macOS; elsewhere through
/// the freedesktop FileManager1 ShowItems call on the session bus when one answers, else by
/// opening the folder that holds it. Never blocks: the bus call is asynchronous.
void reveal(const QString& path);

} // namespace ventora::FileReveal
