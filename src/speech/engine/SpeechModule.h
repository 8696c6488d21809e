#pragma once

#include <QString>

// The speech library's modules: parts that need a large library (flite, the
// resampler) only some runs use, built as shared objects of their own and
// opened on first need, so that the program's start does not load and
// relocate those libraries. A module is looked for beside the program, where
// an install puts it (the library folder, found from the program's bin
// folder, whatever the prefix), else where the build put it.
class SpeechModule
{
public:
    // The address of symbol in the module file fileName ("libsonti_flite.so"),
    // or null with the reason in error. A module once opened stays loaded.
    // Safe from any thread.
    static void *symbol(const QString &fileName, const char *symbol, QString &error);
};
