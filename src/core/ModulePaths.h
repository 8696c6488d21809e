#pragma once

#include <QStringList>

// Where Sonti looks for a module it opens at run time, in order: beside the
// program, in the install's library folder (found from the program's bin
// folder, whatever the prefix), then where the build put it.
namespace ModulePaths {

// fileName: the module's file name; installed: its path relative to the
// program's folder once installed; built: its path in the build tree.
QStringList candidates(const QString &fileName, const QString &installed, const QString &built);

}
