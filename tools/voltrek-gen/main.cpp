#include <cstdio>

int main()
{
    std::fputs("voltrek-gen: not built yet\n", stderr);
    return 1;
}
