// rulecore: an embeddable expert-system shell.
#include <gtest/gtest.h>
