// Overflows a signed integer on purpose: a sanitizer build must stop here with a report.
#include <climits>

int main(int argc, char **)
{
    volatile int value = INT_MAX;
    value = value + argc;
    return 0;
}
