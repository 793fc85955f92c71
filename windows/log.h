// The diagnostic log of a run and the fatal-error exits.
//
// Every line is "[s:ms] " (time since the log started), "ERROR: " for error lines, then the text;
// the file is UTF-8 with a byte order mark and CR LF line ends, in the temporary directory. It is
// deleted at an orderly exit unless kept by a switch, by VANTLE_LOG/QUILDER_LOG=yes, or because its
// path was shown to the user. Formats follow the Windows C runtime's wide conventions: "%s" is a
// UTF-16 string, "%S" an 8-bit one.
#pragma once

#include <windows.h>

#include <jni.h>

extern bool keepLog;       // set by the log switches; the log survives the exit
extern bool logPathShown;  // the log path was handed out for display
extern HWND messageOwner;  // owner of fatal message boxes; the progress window once it exists

void logMessage(const wchar_t* format, ...);
void logError(const wchar_t* format, ...);

// The log path (nullptr when the log was never started); marks it shown, so the log is kept.
const wchar_t* logPathForDisplay();

// Shows `text` with the log path appended: a message box owned by messageOwner (caption: message
// or configuration 1000) when guiMessages, else one line on standard error. Returns afterwards.
void showFatalMessage(const wchar_t* text);

// Message `id` (with configuration fallback) whose first "{0}" is replaced by `argument`.
void showMessageWithArg(int id, const wchar_t* argument);
void showMessageWithArgA(int id, const char* argument);

// Empties and removes the work directory (unless in restart mode) and ends the process with
// `code` through ExitProcess, so the log file stays on disk.
[[noreturn]] void exitLauncher(int code);

// Show a text or message and end with exit code 1.
[[noreturn]] void fatalText(const wchar_t* text);
[[noreturn]] void fatalMessage(int id);
[[noreturn]] void fatalMessageArg(int id, const wchar_t* argument);
[[noreturn]] void fatalMessageArgA(int id, const char* argument);

// True when no Java exception is pending; otherwise logs it (with its toString), prints it when
// `describe`, clears it and returns false.
bool reportJavaException(JNIEnv* env, bool describe);
