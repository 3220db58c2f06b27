#pragma once

#include <QString>

#include <exception>

// Base of the failures that core code raises and that the window shows with
// a stop icon when a command cannot go on.
class CException : public std::exception {
public:
    // The text that a message box shows for this failure.
    virtual QString GetErrorMessage() const = 0;
    const char* what() const noexcept override { return "Pelvaro failure"; }
};
