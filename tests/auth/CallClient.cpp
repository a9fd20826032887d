// dorsa_call_client: runs the call script of a test of real servers (tests/auth/CallScript.h)
// read from standard input and writes the results to standard output. The tests start it
// when they check another build of the library (DORSA_CALL_CLIENT).
#include "auth/CallScript.h"

#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main()
{
#ifdef _WIN32
    // The script and the results are UTF-8 bytes with "\n" line ends, untranslated.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::string error;
    if (!dorsatest::RunCallScript(std::cin, std::cout, error)) {
        std::cerr << "dorsa_call_client: " << error << "\n";
        return 2;
    }
    return 0;
}
