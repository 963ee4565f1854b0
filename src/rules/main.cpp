#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "rules/rules_cli.h"

int main(int argc, char** argv)
{
    try {
        return zelmora::rules::RunRules(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "zelmora-rules: " << e.what() << "\n";
        return 1;
    }
}
