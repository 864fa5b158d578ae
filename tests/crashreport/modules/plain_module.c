/* A module without a crash reporter: no exports of its own, no data, no version note. */

int crtest_plain_first(int value) { return value + 1; }

int crtest_plain_second(int a, int b) {
  int sum = 0;
  for (int i = a; i < b; ++i) sum += i * i;
  return sum;
}
