#pragma once

#include <QString>

#include <exception>
#include <string>

// An error as the program reports it everywhere: a number, the source that
// raised it and a description. Lower layers throw or return it; only the main
// window decides whether it is shown, ignored or acted on.
class SontiError : public std::exception
{
public:
    // Error numbers the program raises or reports, with their usual meanings.
    enum Number : int {
        InvalidProcedureCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        DivisionByZero = 11,
        UserInterrupt = 18,
        FileNotFound = 53,
        FileAccessError = 75,
        PathNotFound = 76,
        ObjectNotSet = 91,
        InvalidFileFormat = 321,
        ResourceNotFound = 326,
        InvalidPicture = 481,
        IniFileNotSet = 670,
        SpeechFailure = 1000,
        AudioFailure = 1001,
        IndexOutOfBounds = 35600,
        ElementNotFound = 35601,
        KeyNotUnique = 35602,
    };

    SontiError() = default;
    SontiError(int number, QString source, QString description);

    int number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }
    bool isError() const { return m_number != 0; }

    // "description (source, number)" for logs and test failure output.
    QString toString() const;

    const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number = 0;
    QString m_source;
    QString m_description;
    std::string m_what;
};
