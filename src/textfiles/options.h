#pragma once

#include <QString>

// The options as the option dialog holds them at the moment of use.
struct Options
{
    QString rootFolder; ///< parent folder of the destination folders
    bool sift = true; ///< retire rarely used keywords on rewrite
    int denominator = 1000; ///< threshold of the retirement rule
    bool confirm = true; ///< ask before each move of Classify
    bool pageFacts = true; ///< plain keywords match page titles and addresses too, not only paths

    friend bool operator==(const Options &, const Options &) = default;
};
