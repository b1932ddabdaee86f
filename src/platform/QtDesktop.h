#pragma once

#include "platform/Platform.h"

#include <string>

// Desktop services built on Qt, shared by the platform implementations. Paths are bytes in the
// file-system encoding; they are handed to Qt and to started programs unchanged.
namespace velmora {

std::string qtChooseFile(const FileDialogRequest& request, bool save);
void qtOpenInTextEditor(const std::string& path);
void qtOpenFolder(const std::string& path);
void qtOpenAddress(const std::string& address);
void qtPlaySound(const std::string& eventName);
void qtMakeTopmost(void* window);

// The freedesktop sound-theme event for a system sound name; empty for an unknown name.
const char* soundThemeEvent(const std::string& eventName);

} // namespace velmora
