#!/usr/bin/env python3
# Prints the coefficient tables of curve_tanh.h: Chebyshev fits at 40 digits
# (mpmath), rounded to double, with each fit's largest relative error after
# rounding on a dense grid.
from mpmath import mp, mpf, tanh, sech, sqrt, chebyfit, polyval, linspace

mp.dps = 40


def max_relative_error(f, coefficients, lo, hi):
    rounded = [mpf(float(c)) for c in coefficients]
    return max(abs(polyval(rounded, x) / f(x) - 1) for x in linspace(lo, hi, 2001))


def rows(values, per_line, indent):
    text = [float(v).hex() for v in values]
    return [indent + ", ".join(text[i:i + per_line]) + "," for i in range(0, len(text), per_line)]


# Near zero: tanh(a) = a + a*z*P(z), z = a*a, a < 9/16.
SMALL = mpf(9) / 16


def small_ratio(z):
    if z == 0:
        return mpf(-1) / 3
    a = sqrt(z)
    return (tanh(a) - a) / (a * z)


p = chebyfit(small_ratio, [0, SMALL * SMALL], 12)
print("// largest relative error of P: %s" % mp.nstr(max_relative_error(small_ratio, p, 0, SMALL * SMALL), 3))
print("inline constexpr double kTanhSmall[%d] = {" % len(p))
print("\n".join(rows(reversed(p), 3, "    ")))
print("};")

# Twelve intervals of width 1/8 centred on m = 5/8 + j/8: tanh(m + d) = high + (low + d*Q(d)).
columns = []
for j in range(12):
    m = mpf(5) / 8 + mpf(j) / 8
    T = tanh(m)

    def q(d, m=m, T=T):
        return sech(m) ** 2 if d == 0 else (tanh(m + d) - T) / d

    c = chebyfit(q, [mpf(-1) / 16, mpf(1) / 16], 10)
    print("// interval %d: largest relative error of Q: %s"
          % (j, mp.nstr(max_relative_error(q, c, mpf(-1) / 16, mpf(1) / 16), 3)))
    high = float(T)
    columns.append([high, float(T - mpf(high))] + [float(x) for x in reversed(c)])
print("inline constexpr double kTanhMid[kTanhMidTerms][kTanhIntervals] = {")
for t in range(len(columns[0])):
    lines = rows([col[t] for col in columns], 4, "     ")
    lines[0] = "    {" + lines[0][5:]
    lines[-1] = lines[-1][:-1] + "},"
    print("\n".join(lines))
print("};")
