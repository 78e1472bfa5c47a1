#pragma once
// The one error type for failures the demo cannot continue after. Nothing but main()
// catches it: main prints the message on stderr and exits with status 1.
#include <stdexcept>
#include <string>

class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};
