#pragma once

#include <string>
#include <utility>

namespace velmaro {

// One item of a Print operation: a text, a number or a tab stop, followed either by the
// ";" separator (the line goes on) or by nothing (the line ends after it).
struct PrintItem {
    enum class Kind { kText, kNumber, kTab };

    Kind kind = Kind::kText;
    std::string text;       // kText: UTF-8
    double number = 0;      // kNumber
    int column = 1;         // kTab: print column, counted from 1 at x = 0
    bool continues = true;  // the ";" separator

    static PrintItem Text(std::string text, bool continues = true) {
        return {Kind::kText, std::move(text), 0, 1, continues};
    }
    static PrintItem Number(double number, bool continues = true) {
        return {Kind::kNumber, {}, number, 1, continues};
    }
    static PrintItem Tab(int column, bool continues = true) {
        return {Kind::kTab, {}, 0, column, continues};
    }
};

// The text that a number item prints: a blank, the digits and a blank for a number that is
// not negative ("5" prints as " 5 "), a minus sign, the digits and a blank otherwise.
std::string NumberItemText(double number);

}  // namespace velmaro
