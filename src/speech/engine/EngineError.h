#pragma once

#include "SontiError.h"

// Turns the status codes of the engine's C libraries into the program's
// errors, in one place each: the description names the library and what
// was being done.
namespace EngineError {

// An espeak_ERROR (EE_OK gives no error).
SontiError fromEspeak(int status, const QString &doing);
// A libpulse error code (PA_OK gives no error).
SontiError fromPulse(int paError, const QString &doing);
// A libsoxr error message (null gives no error).
SontiError fromSoxr(const char *soxrError, const QString &doing);

}
