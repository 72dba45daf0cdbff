#pragma once
// The window's shared routines: number fitting, quotes, the associated program of a
// document, text replacement, directory creation and the file-presence test.
#include <QString>
#include <functional>
#include <string>

#include "desktop/desktop.h"

namespace varno::window::Module1 {

// What kind of message box a text is shown in: a plain one with an OK button, or one with
// the information icon that comes to the front.
enum class MessageKind { Plain, Information };
// Shows a message box titled with the program's name; tests replace it to record the texts.
using MessageHook = std::function<void(MessageKind kind, const QString& text)>;

// The number text of `value` without its sign place, right-aligned in `width` characters;
// a longer text keeps only its last `width` characters.
QString Right_Fit(double value, int width);

// Drops one double quote at the start and one at the end, each end by itself.
QString Cut_Quote(const QString& text);

// The quoted absolute path of the program associated with `document`, or "" after the
// message that names the failure.
QString Find_Exe(varno::desktop::Desktop& desktop, const QString& document,
                 const MessageHook& message);
// The same for a document named by the bytes of its path.
QString Find_Exe(varno::desktop::Desktop& desktop, const std::string& document,
                 const MessageHook& message);

// Replaces every `find` (not empty) by `replacement`, never searching what it inserted.
QString Replace_All(const QString& text, const QString& find, const QString& replacement);

// Creates one directory level; every failure is swallowed and returned as an errno
// (0 on success, EEXIST when it is already there).
int Make_Dir(const QString& path);

// 0 when the length of the file (quotes cut) can be read, otherwise the errno of the
// failure; mode 0 turns every failure into 1.
int Check_File(const QString& path, int mode);

}  // namespace varno::window::Module1
