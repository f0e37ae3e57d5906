#include "app/fault_report.h"

#include <iostream>
#include <string>

void my_pause() {
    std::cout << "Press enter to continue..." << std::endl;
    std::string ignored;
    std::getline(std::cin, ignored);
}

namespace qvchat2 {

void describe_current_exception(std::ostream& errors) {
    try {
        throw;
    } catch (const std::exception& error) {
        errors << error.what() << '\n';
    } catch (...) {
        errors << "Unknown fatal error." << '\n';
    }
}

}  // namespace qvchat2
