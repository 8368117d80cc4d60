// rulecore: an embeddable expert-system shell.
#include <benchmark/benchmark.h>
int main_placeholder;
