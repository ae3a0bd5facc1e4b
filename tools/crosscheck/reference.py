#!/usr/bin/env python3
"""Independent reference implementation of the batch mode, for cross-checking.

python3 reference.py pedfile logfile xlinked null model marker
"""
import ctypes
import fractions
import math
import re
import struct
import sys
import os

_libm = ctypes.CDLL("libm.so.6")
_libm.exp.restype = ctypes.c_double
_libm.exp.argtypes = [ctypes.c_double]
_libm.log.restype = ctypes.c_double
_libm.log.argtypes = [ctypes.c_double]

NAN_NEG = struct.unpack("<d", struct.pack("<Q", 0xFFF8000000000000))[0]
INF = float("inf")


def cexp(x):
    try:
        return math.exp(x)
    except OverflowError:
        return _libm.exp(x)


def clog(x):
    if x > 0.0 and x != INF:
        return math.log(x)
    return _libm.log(x)


def fdiv(a, b):
    """IEEE double division (x86 semantics: invalid gives the negative default NaN)."""
    if b != 0.0:
        if math.isinf(a) and math.isinf(b):
            return NAN_NEG
        return a / b
    if math.isnan(a) or math.isnan(b):
        return a if math.isnan(a) else b
    if a == 0.0:
        return NAN_NEG
    neg = (math.copysign(1.0, a) < 0) != (math.copysign(1.0, b) < 0)
    return -INF if neg else INF


def addlog(a, b):
    m = a if a > b else b
    d1 = a - m
    d1 = d1 if d1 > -80.0 else -80.0
    d2 = b - m
    d2 = d2 if d2 > -80.0 else -80.0
    e1 = cexp(d1)
    e2 = cexp(d2)
    return m + clog(e2 + e1)


def fmt(x):
    if isinstance(x, int):
        return str(x)
    if math.isnan(x):
        return "-nan" if math.copysign(1.0, x) < 0 else "nan"
    if math.isinf(x):
        return "-inf" if x < 0 else "inf"
    return format(x, "g")


def faclog(n):
    t = [0.0]
    for i in range(1, n + 1):
        t.append(t[i - 1] + clog(float(i)))
    return t


def prbar0(k, t, n):
    if n == k or k == 0:
        return 0.0
    return (t[n] - t[k]) - t[n - k]


# ---------------------------------------------------------------- moments

def moment(recs, L):
    m1 = 0.0
    m2 = 0.0
    for v in sorted(recs):
        lp = recs[v]
        w = cexp(lp - L)
        m1 = w * v + m1
        m2 = (v * v) * cexp(lp - L) + m2
    return m1, m2


def counted(v, expected, variance, observed):
    """Whether the value v lies at least as far from E(S) as the observed one."""
    d = observed - expected
    t = fdiv(d * d, variance)
    dv = v - expected
    x = fdiv(dv * dv, variance)
    # E carries rounding from long sums; the distance rule keeps the mirror
    return x >= t - 1e-10 or abs(dv) >= abs(d) - 1e-9 * (1 + abs(expected))


def pvalue(expected, variance, L, recs, observed):
    acc = 0.0
    first = True
    for v in sorted(recs):
        if counted(v, expected, variance, observed):
            if first:
                acc = recs[v]
                first = False
            else:
                acc = addlog(acc, recs[v])
    p = cexp(acc - L)
    if p > 1:
        p = 1.0
    return p


def moment2(recs, W):
    m1 = 0.0
    m2 = 0.0
    for v in sorted(recs):
        w = cexp(recs[v] - W)
        m1 = w * v + m1
        m2 = w * (v * v) + m2
    return m1, m2


# Exact arithmetic beside the log-space order. A study with fewer than 2^52
# joint configurations has an integer weight for every value of S, and its
# E(S), Var(S) and p-value are exact rationals; the program prints them
# rounded once (a p of 37/128 = 0.2890625 prints 0.289062, a variance of
# 347/64 = 5.421875 prints 5.42188, as printf rounds those exact values),
# where the log-space order may land a rounding above or below them.
EXACT_LIMIT = 2 ** 52


class Exact:
    """The study's distribution as {value: integer weight} while it has fewer than EXACT_LIMIT
    configurations (else None), and E(S), Var(S) as sums of the families' exact moments (None
    when a family's weights cannot be recovered exactly)."""

    def __init__(self):
        self.dist = {0: 1}
        self.mean = fractions.Fraction(0)
        self.var = fractions.Fraction(0)

    def add(self, family):
        if family is None or self.mean is None:
            self.dist = self.mean = self.var = None
            return
        Fr = fractions.Fraction
        total = sum(family.values())
        m = Fr(sum(Fr(v) * w for v, w in family.items()), total)
        self.mean += m
        self.var += Fr(sum((Fr(v) - m) ** 2 * w for v, w in family.items()), total)
        if self.dist is not None:
            out = {}
            for a, wa in self.dist.items():
                for b, wb in family.items():
                    out[a + b] = out.get(a + b, 0) + wa * wb
            self.dist = out if sum(out.values()) < EXACT_LIMIT else None


def exact_results(exact, expected, variance, observed, p):
    """E(S), Var(S) and p as exact rationals rounded once where they are known, else the
    log-space values."""
    if exact.mean is None:
        return expected, variance, p
    expected, variance = float(exact.mean), float(exact.var)
    if exact.dist is None:
        return expected, variance, p
    total = sum(exact.dist.values())
    tail = sum(w for v, w in exact.dist.items() if counted(v, expected, variance, observed))
    return expected, variance, min(float(fractions.Fraction(tail, total)), 1.0)


def equally_likely(values):
    out = {}
    for v in values:
        out[int(v)] = out.get(int(v), 0) + 1
    return out


def exact_family(recs):
    """A family's own log-weight dict as integers (None when a weight is too large to recover)."""
    out = {}
    for v, lp in recs.items():
        w = cexp(lp)
        if w > 2.0 ** 40:
            return None
        out[v] = int(round(w))
    return out


def insert(d, value, lp):
    if value in d:
        d[value] = addlog(d[value], lp)
    else:
        d[value] = lp


def convolve(running, values):
    """The running distribution shifted by each of a family's equally likely
    values in turn; a weight below 1e-7 counts as weight 1 (log 0)."""
    new = {}
    for rv in sorted(running):
        rl = running[rv]
        for q in values:
            insert(new, q + rv, 0.0 if rl < 1e-7 else rl)
    return new


# ---------------------------------------------------------------- random

class LCG:
    state = 1

    @classmethod
    def rand(cls):
        cls.state = (cls.state * 214013 + 2531011) & 0xFFFFFFFF
        return (cls.state >> 16) & 32767


# ---------------------------------------------------------------- output

class Out:
    def __init__(self):
        self.console = sys.stdout.buffer
        self.log = None

    def con(self, s):
        if isinstance(s, str):
            s = s.encode("latin-1")
        self.console.write(s)
        self.console.flush()

    def lg(self, s):
        if self.log is None:
            return
        if isinstance(s, str):
            s = s.encode("latin-1")
        self.log.write(s)
        self.log.flush()


OUT = Out()

COV = {}


def cov(key):
    COV[key] = COV.get(key, 0) + 1


class Informative:
    def __init__(self):
        self.f = open("informative.txt", "wb")

    def add(self, ped, fa, mo):
        self.f.write(("\nInformative: %d, (%d, %d)" % (ped, fa, mo)).encode())

    def close(self):
        self.f.write(b"\n")
        self.f.close()


def report_result(name, code, inf, model, S, E, V, p):
    s = "\n\nMarker: " + name + ", Allele " + str(code) + ", Inf fams: " + str(inf)
    s += {1: ", additive inheritance.", 2: ", dominant inheritance.",
          3: ", recessive inheritance."}.get(model, "")
    if inf < 1:
        s += "\nS: ****, E(S): ****, Var(S): ****, p: ****\n"
    else:
        s += "\nS: " + fmt(S) + ", E(S): " + fmt(E) + ", Var(S): " + fmt(V) + ", p: " + fmt(p) + "\n"
    # batch mode: log only
    OUT.lg(s)


def report_incompatible(ped):
    OUT.lg("\nWarning: Ped %d contains incompatible genotypes." % ped)


# ---------------------------------------------------------------- families

def pedigrees(T):
    peds, mos, fas = [], [], []
    seen = set()
    rows = len(T)
    for i in range(rows):
        ped, fa, mo = T[i][0], T[i][2], T[i][3]
        if fa == 0 or mo == 0:
            continue
        cnt = 0
        for k in range(rows):
            r = T[k]
            if (r[0] == ped and r[3] == mo and r[2] == fa) or r[1] == mo or r[1] == fa:
                cnt += 1
        if cnt == 1:
            continue
        if (ped, mo, fa) in seen:
            continue
        seen.add((ped, mo, fa))
        peds.append(ped)
        mos.append(mo)
        fas.append(fa)
    if not peds:
        OUT.con("Failed to open file. \n")
    return peds, mos, fas


class Fam:
    pass


def aff_code(a):
    return 1 if a == 2 else 0


def nuclear_sex(T, ped, fa, mo, col):
    f = Fam()
    f.members, f.parents, f.children, f.aff = [], [], [], []
    f.sons, f.daughters, f.sexes = [], [], []
    f.fpos = -1
    f.mpos = -1
    pos = 0
    for i, r in enumerate(T):
        if not (r[col] != 0 and r[col + 1] != 0 and r[4] in (1, 2)):
            continue
        taken = False
        if (r[1] == fa or r[1] == mo) and r[0] == ped:
            if r[4] == 1:
                f.fpos = pos
            elif r[4] == 2:
                f.mpos = pos
            f.parents.append(pos)
            f.members.append(i)
            taken = True
        elif r[2] == fa and r[3] == mo and r[0] == ped:
            f.children.append(pos)
            if r[4] == 2:
                f.daughters.append(pos)
            elif r[4] == 1:
                f.sons.append(pos)
            f.members.append(i)
            taken = True
        if taken:
            f.aff.append(aff_code(r[5]))
            f.sexes.append(r[4])
            pos += 1
    return f


def nuclear_plain(T, ped, fa, mo, col):
    f = Fam()
    f.members, f.parents, f.children, f.aff = [], [], [], []
    pos = 0
    for i, r in enumerate(T):
        if not (r[col] != 0 and r[col + 1] != 0):
            continue
        taken = False
        if (r[1] == fa or r[1] == mo) and r[0] == ped:
            f.parents.append(pos)
            f.members.append(i)
            taken = True
        elif r[2] == fa and r[3] == mo and r[0] == ped:
            f.children.append(pos)
            f.members.append(i)
            taken = True
        if taken:
            f.aff.append(aff_code(r[5]))
            pos += 1
    return f


def count_alleles(T, rowidx, col):
    s = set()
    for r in rowidx:
        for v in (T[r][col], T[r][col + 1]):
            if v > 0:
                s.add(v)
    return sorted(s)


def pair_alleles(T, members, t, col):
    P = []
    for r in members:
        a, b = T[r][col], T[r][col + 1]
        if a == t and b == t:
            P.append([2, 0])
        elif a != t and b != t:
            P.append([0, 2])
        else:
            P.append([1, 1])
    return P


def mapa(M, F, mk, fk, P):
    if F != -1:
        x, y = P[F]
        fk = 0 if x == 2 else (1 if y == 2 else -2)
    if M != -1:
        x, y = P[M]
        if x == 2:
            mk = [0, 0]
        elif y == 2:
            mk = [1, 1]
        elif x == 1 or y == 1:
            mk = [0, 1]
    return mk, fk


def checkgenos(P, sons, daughters, F, M):
    r = 1
    mk, fk = mapa(M, F, [-1, -1], -1, P)
    if M != -1 and (P[M][0] == 2 or P[M][1] == 2):
        for d in daughters:
            if P[d] != P[daughters[0]]:
                r = 0
    if M != -1:
        for d in daughters:
            if not (P[d][mk[0]] > 0 or P[d][mk[1]] > 0):
                r = 0
    if F != -1:
        if fk == -2:
            r = 0
        else:
            for d in daughters:
                if P[d][fk] == 0:
                    r = 0
    if M != -1:
        for s in sons:
            if not (P[s][mk[0]] != 0 or P[s][mk[1]] != 0):
                r = 0
    for s in sons:
        if P[s][0] == 1 or P[s][1] == 1:
            r = 0
    return r


def score_auto(x, model):
    if model == 2:
        return 1 if x >= 1 else 0
    if model == 3:
        return 1 if x == 2 else 0
    return x


def statistic(P, aff, children, model, sexes, xl):
    s = 0.0
    for c in children:
        x = P[c][0]
        if xl == 0:
            sc = score_auto(x, model)
        else:
            if sexes[c] == 2:
                sc = score_auto(x, model)
            elif sexes[c] == 1:
                sc = 1 if x == 2 else 0
            else:
                sc = 0
        s = s + float(aff[c] * sc)
    return s


# ---------------------------------------------------------------- autosomal network

def TypeG(P, mat, parents, children, homl):
    if len(parents) == 2:
        p, q = parents
        for i in range(2):
            for j in range(2):
                v = P[p][i] * P[q][j] + P[q][i] * P[p][j]
                mat[i][j] = 1 if v >= 1 else 0
        return
    for c in children:
        for j in range(2):
            for k in range(2):
                if (j != k and P[c][j] == 1 and P[c][k] == 1) or (j == k and P[c][j] == 2):
                    mat[j][k] = 1
                    mat[k][j] = 1
    for h in homl:
        for j in range(2):
            if j != h:
                mat[h][j] = 1
                mat[j][h] = 1


def minmaxA(P, parents, children, mat):
    homl = []
    for i in range(2):
        for c in children:
            if P[c][i] == 2 and i not in homl:
                homl.append(i)
    TypeG(P, mat, parents, children, homl)
    minC, maxC = [], []
    for i in range(4):
        mn, mx = 1, 0
        for j in range(4):
            for k in range(4):
                if mat[j][k] == 1:
                    if j != i and k != i:
                        mn = 0
                    if j == i and k == i:
                        mx = 2
                    elif (j == i or k == i) and mx == 0:
                        mx = 1
        minC.append(mn)
        maxC.append(mx)
    return minC, maxC, homl


def minmaxm(minC, maxC, P, children, parents, nall, homl, mat):
    n = len(children)
    range0 = maxC[0] - minC[0]
    ct = [0, 0, 0, 0]
    pt = [0, 0, 0, 0]
    for j in range(2):
        ct[j] = sum(P[c][j] for c in children)
        pt[j] = sum(P[p][j] for p in parents)
    two = 1 if (pt[0] == 2 or pt[1] == 2) else 0
    low, high = [], []
    for p in range(4):
        if len(parents) == 2:
            lo = minC[p] * n
            hi = maxC[p] * n
        elif nall == 2 and range0 == 1 and two == 0:
            lo = hi = ct[p]
        elif len(parents) == 1 and two == 0 and nall >= 3:
            if mat[pt[0]][pt[1]] == 1:
                if len(homl) == 1:
                    h = homl[0]
                    lo = 2 if h == p else (n - 1) * minC[p] + maxC[p] - pt[p]
                    hi = (n - 1) if (pt[p] == 1 and h != p) else (n - 1) * maxC[p] + minC[p] + pt[p]
                else:
                    lo = (n - 1) * minC[p] + maxC[p]
                    hi = (n - 1) * maxC[p] + minC[p] + pt[p]
            else:
                lo = (n - 1) * minC[p] + maxC[p] - pt[p]
                hi = (n - 1) * maxC[p] + minC[p] + pt[p]
        else:
            lo = (n - 1) * minC[p] + maxC[p]
            hi = (n - 1) * maxC[p] + minC[p]
        low.append(lo)
        high.append(hi)
    return low, high


def OK(w, c, mat, h0, h1, homl, j, a1, high, low, maxC, parents):
    L = a1 - 1
    d = [c[0] - w[0], c[1] - w[1]]
    g = []
    for k in range(2):
        if d[k] == 1:
            g.append(k)
        elif d[k] == 2:
            g.append(k)
            g.append(k)
    if len(g) != 2 or mat[g[0]][g[1]] != 1:
        return 0
    if len(parents) == 2:
        return 1
    r = 1
    if len(homl) == 2 and ((j == L - 1 and h0 == 0 and h1 == 0) or (j == L and (h0 == 0 or h1 == 0))):
        r = 0
    if len(homl) == 1 and j == L and h0 == 0 and h1 == 0:
        r = 0
    if j == L - 1 and len(homl) == 1 and h0 == 0 and h1 == 0:
        for k in range(2):
            if k != homl[0] and low[k] - c[k] > 0:
                r = 0
    if j == L - 1:
        for k in range(2):
            if low[k] - c[k] > maxC[k]:
                r = 0
    if j == L - 1:
        R = [k for k in range(2) if high[k] - c[k] != 0]
        if (len(R) == 1 and len(homl) == 0) or (len(R) == 2 and mat[R[0]][R[1]] == 0):
            r = 0
    return r


def homadd(d, homl):
    a = 1 if (len(homl) >= 1 and d[homl[0]] == 2) else 0
    b = 1 if (len(homl) == 2 and d[homl[1]] == 2) else 0
    return a, b


def buildG(low, high, a, minC, maxC, homl, mat, parents):
    stage, key0, key1, hom0, hom1 = [0], [0], [0], [0], [0]
    exists = set()
    for j in range(a + 1):
        i = 0
        while i < len(stage):
            if stage[i] + 1 == j:
                w = (key0[i], key1[i])
                lo = [max(w[k] + minC[k], low[k] - (a - j) * maxC[k]) for k in range(2)]
                hi = [min(high[k] - (a - j) * minC[k], w[k] + maxC[k]) for k in range(2)]
                for x in range(lo[0], hi[0] + 1):
                    for y in range(lo[1], hi[1] + 1):
                        if (x - w[0]) + (y - w[1]) > 1 and x + y <= 2 * j:
                            d = [x - w[0], y - w[1]]
                            a0, b0 = homadd(d, homl)
                            h0 = hom0[i] + a0
                            h1 = hom1[i] + b0
                            if OK(w, (x, y), mat, h0, h1, homl, j, a + 1, high, low, maxC, parents) == 1:
                                t = (j, x, y, h0, h1)
                                if t not in exists:
                                    exists.add(t)
                                    stage.append(j)
                                    key0.append(x)
                                    key1.append(y)
                                    hom0.append(h0)
                                    hom1.append(h1)
            i += 1
    stage.append(a + 1)
    key0.append(high[0])
    key1.append(high[1])
    hom0.append(0)
    hom1.append(0)
    return stage, key0, key1, hom0, hom1


class Node:
    __slots__ = ("mn", "mx", "mean", "var", "lm", "recs")

    def __init__(self, mn=0.0, mx=0.0, mean=0.0, var=0.0, lm=0.0, recs=None):
        self.mn, self.mx, self.mean, self.var, self.lm, self.recs = mn, mx, mean, var, lm, recs


def stage_bounds(stage, nk):
    N = len(stage)
    first = [0] * (nk + 2)
    last = [0] * (nk + 2)
    c = 0
    for s in range(nk + 1):
        c += sum(1 for x in stage if x == s)
        first[s + 1] = c
        last[s] = c - 1
    last[nk + 1] = N - 1
    return first, last


def Xscore(d0, model):
    if model == 2:
        return 1 if d0 != 0 else 0
    if model == 3:
        return 1 if d0 == 2 else 0
    return d0


def g_valid(u, v, key0, key1, hom0, hom1, minC, maxC, homl):
    d0 = key0[v] - key0[u]
    d1 = key1[v] - key1[u]
    if not (minC[0] <= d0 <= maxC[0] and minC[1] <= d1 <= maxC[1]):
        return False
    if abs(d0) + abs(d1) > 2:
        return False
    a0, b0 = homadd([d0, d1], homl)
    if hom0[v] != hom0[u] + a0 or hom1[v] != hom1[u] + b0:
        return False
    return True


def backwardG(a, nodes, tab, first, last, cw, minC, maxC, model, homl, key0, key1, hom0, hom1):
    N = len(nodes)
    endmean = nodes[N - 1].mean
    endlm = nodes[N - 1].lm
    for s in range(a - 1, -1, -1):
        if s == a - 1:
            for u in range(first[s], last[s] + 1):
                nodes[u] = Node(0.0, 0.0, endmean, 0.0, endlm, None)
        else:
            for u in range(first[s], last[s] + 1):
                count = 0
                lm = 0.0
                mean = 0.0
                second = 0.0
                lo = hi = 0.0
                pL1 = pL2 = plo = phi = None
                for v in range(first[s + 1], last[s + 1] + 1):
                    if not g_valid(u, v, key0, key1, hom0, hom1, minC, maxC, homl):
                        continue
                    count += 1
                    d0 = key0[v] - key0[u]
                    c = cw[s] * Xscore(d0, model)
                    w = prbar0(d0 - minC[0], tab, maxC[0] - minC[0])
                    V = nodes[v]
                    lo = V.mn + c
                    hi = V.mx + c
                    lw = V.lm + w
                    mc = V.mean + c
                    L1 = clog(mc) + lw
                    L2 = clog(mc * mc + V.var) + lw
                    if count >= 2:
                        if lo > plo:
                            lo = plo
                        if phi > hi:
                            hi = phi
                        L1 = addlog(L1, pL1)
                        L2 = addlog(L2, pL2)
                        lm = addlog(lm, lw)
                    else:
                        lm = lw
                    mean = cexp(L1 - lm)
                    second = cexp(L2 - lm)
                    plo, phi, pL1, pL2 = lo, hi, L1, L2
                if count == 0:
                    cov("auto:dead-end")
                nodes[u] = Node(lo, hi, mean, second - mean * mean, lm, None)


def forwardG(a, nodes, first, last, tab, cw, minC, maxC, key0, key1, model, hom0, hom1, homl):
    for s in range(a):
        for u in range(first[s], last[s] + 1):
            recs = nodes[u].recs
            if not recs:
                continue
            for rv in sorted(recs):
                rl = recs[rv]
                for v in range(first[s + 1], last[s + 1] + 1):
                    if s == a - 1:
                        c = 0
                        w = 0.0
                    else:
                        if not g_valid(u, v, key0, key1, hom0, hom1, minC, maxC, homl):
                            continue
                        d0 = key0[v] - key0[u]
                        c = cw[s] * Xscore(d0, model)
                        w = prbar0(d0 - minC[0], tab, maxC[0] - minC[0])
                    value = rv + float(c)
                    lp = w if rl < 1e-7 else rl + w
                    if nodes[v].recs is None:
                        nodes[v].recs = {}
                    insert(nodes[v].recs, value, lp)


# ---------------------------------------------------------------- X-linked network

def TypeX(P, M, F, sons, daughters, ifk):
    sk = [0, 0]
    dk = [[0, 0], [0, 0]]
    mk, f = mapa(M, F, [-1, -1], -1, P)
    if M != -1 and F != -1:
        m0, m1 = mk
        dk[m0][f] = dk[f][m0] = dk[m1][f] = dk[f][m1] = 1
        sk[m0] = sk[m1] = 1
        return sk, dk, ifk
    for d in daughters:
        if P[d][0] == 2:
            dk[0][0] = 1
            ifk = 0
        elif P[d][1] == 2:
            dk[1][1] = 1
            ifk = 1
        elif P[d][0] == 1 and P[d][1] == 1:
            dk[0][1] = dk[1][0] = 1
    for s in sons:
        if P[s][0] == 2:
            sk[0] = 1
        elif P[s][1] == 2:
            sk[1] = 1
    if M != -1 and F == -1:
        sk[mk[0]] = 1
        sk[mk[1]] = 1
    if F != -1 and M == -1:
        for s in sons:
            if P[s][0] == 2:
                dk[f][0] = dk[0][f] = 1
            if P[s][1] == 2:
                dk[f][1] = dk[1][f] = 1
        if dk[1][0] == 1:
            sk[1 - f] = 1
    if ifk != -1:
        sk[0] = sk[1] = 1
        dk[0][1] = dk[1][0] = 1
    return sk, dk, ifk


def minmaxX(P, F, M, sons, daughters):
    """Returns (ok, childMin, childMax, sumMin, sumMax, ifk)."""
    ifk = -1
    cmin, cmax = [0, 0], [0, 0]
    smin, smax = [0, 0, 0], [0, 0, 0]
    if checkgenos(P, sons, daughters, F, M) == 0:
        return 0, cmin, cmax, smin, smax, ifk
    sk, dk, ifk = TypeX(P, M, F, sons, daughters, ifk)
    _, f = mapa(M, F, [-1, -1], -1, P)
    nd, ns = len(daughters), len(sons)
    if nd > 0:
        dmin, dmax = 2, 0
        if dk[0][0] == 1:
            dmax = 2
        if dk[1][0] == 1:
            dmin = 1
            if dmax == 0:
                dmax = 1
        if dk[1][1] == 1:
            dmin = 0
    else:
        dmin = dmax = 0
    if ns > 0:
        smn, smx = 1, 0
        if sk[0] == 1:
            smx = 1
        if sk[1] == 1:
            smn = 0
    else:
        smn = smx = 0
    cmin = [dmin, smn]
    cmax = [dmax, smx]
    smin = [dmin * nd, smn * ns, 0]
    smax = [dmax * nd, smx * ns, 0]
    K = ifk
    if F == -1 and M != -1:
        if K == 0:
            smin[0] = max(smin[0], nd + 1)
        elif K == 1:
            smax[0] = min(smax[0], nd - 1)
    if F == -1 and M == -1:
        if K == -1 and sk[0] == 1 and sk[1] == 1:
            smin[1] = 1
            smax[1] = ns - 1
        if K == 0:
            smin[0] = max(smin[0], nd + 1)
        if K == 1:
            smax[0] = min(smax[0], nd - 1)
    smin[2] = smin[0] + smin[1]
    smax[2] = smax[0] + smax[1]
    if F == -1 and M == -1:
        if K == 0:
            smax[2] = min(smax[2], 2 * nd + ns - 1)
        elif K == 1:
            smin[2] = max(smin[2], 1)
    if M == -1 and F != -1:
        if f == 0 and (K == 0 or sk[0] == 1):
            smin[2] = max(nd + 1, smin[0] + smin[1])
            smax[2] = min(smax[2], smax[0] + smax[1] - 1)
        if f == 1 and (K == 1 or sk[1] == 1):
            smin[2] = max(1, smin[0] + smin[1])
            smax[2] = min(smax[0] + smax[1], nd + ns - 1)
    if ns == 0:
        smin[0] = max(smin[0], smin[2])
        smax[0] = min(smax[0], smax[2])
    return 1, cmin, cmax, smin, smax, ifk


def buildX(cmin, cmax, smin, smax, nd, ns):
    n = nd + ns
    kinds = [2] * nd + [1] * ns
    stage, key0 = [0], [0]
    exists = set()
    for j in range(n + 1):
        i = 0
        while i < len(stage):
            if stage[i] == j - 1:
                v = key0[i]
                if kinds[j - 1] == 2:
                    lo = max(v + cmin[0], smin[0] - (nd - j) * cmax[0])
                    hi = min(smax[0] - (nd - j) * cmin[0], v + cmax[0])
                else:
                    lo = max(v + cmin[1], smin[2] - (n - j) * cmax[1])
                    hi = min(smax[2] - (n - j) * cmin[1], v + cmax[1])
                for l in range(lo, hi + 1):
                    if (j, l) not in exists:
                        exists.add((j, l))
                        stage.append(j)
                        key0.append(l)
            i += 1
    stage.append(n + 1)
    key0.append(key0[-1])
    return stage, key0


def x_tables(daughters, sons, aff):
    kinds = [2] * len(daughters) + [1] * len(sons) + [2]
    weights = [aff[d] for d in daughters] + [aff[s] for s in sons] + [0]
    return kinds, weights


def xstep_score(kind, u, model):
    if kind == 2:
        if model == 2:
            return 1 if u != 0 else 0
        if model == 3:
            return 1 if u == 2 else 0
        return u
    return u


def backwardX(a, nodes, cmin, cmax, key0, first, last, sons, daughters, aff, model):
    N = len(nodes)
    M0 = nodes[N - 1].mean
    L0 = nodes[N - 1].lm
    n = a - 1
    nd = len(daughters)
    kinds, weights = x_tables(daughters, sons, aff)
    for s in range(n, -1, -1):
        if s == n:
            for i in range(first[s], last[s] + 1):
                nodes[i] = Node(0.0, 0.0, M0, 0.0, L0, None)
            continue
        nxt = range(first[s + 1], last[s + 1] + 1)
        for i in range(first[s], last[s] + 1):
            if len(nxt) == 0:
                cov("x:empty-next-stage")
                nodes[i] = Node()
                continue
            v = key0[i]
            t = 0 if kinds[s] == 2 else 1
            kmin = min(key0[e] for e in nxt)
            kmax = max(key0[e] for e in nxt)
            lo = max(v + cmin[t], kmin)
            hi = min(v + cmax[t], kmax)
            found = 0
            L = 0.0
            mean = 0.0
            second = 0.0
            cmn = cmx = 0.0
            pA = pB = pmn = pmx = None
            for e in nxt:
                k = key0[e]
                u = k - v
                if not (lo <= k <= hi and cmin[t] <= u <= cmax[t] and (u <= 2 if s < nd else u <= 1)):
                    continue
                found += 1
                w = float(weights[s] * xstep_score(kinds[s], u, model))
                E = nodes[e]
                cmn = w + E.mn
                cmx = w + E.mx
                lw = E.lm + 0.0
                wm = w + E.mean
                A = clog(wm) + lw
                B = clog(wm * wm + E.var) + lw
                if found == 1:
                    L = lw
                else:
                    if cmn > pmn:
                        cmn = pmn
                    if pmx > cmx:
                        cmx = pmx
                    A = addlog(A, pA)
                    B = addlog(B, pB)
                    L = addlog(L, lw)
                mean = cexp(A - L)
                second = cexp(B - L)
                pmn, pmx, pA, pB = cmn, cmx, A, B
            if found == 0:
                cov("x:dead-end")
            nodes[i] = Node(cmn, cmx, mean, second - mean * mean, L, None)


def forwardX(a, nodes, cmin, cmax, smin, smax, key0, first, last, sons, daughters, aff, model):
    n = a - 1
    nd = len(daughters)
    kinds, weights = x_tables(daughters, sons, aff)
    for s in range(n + 1):
        nxt = range(first[s + 1], last[s + 1] + 1)
        for i in range(first[s], last[s] + 1):
            recs = nodes[i].recs
            if not recs:
                continue
            if len(nxt) == 0:
                continue
            v = key0[i]
            kmin = min(key0[e] for e in nxt)
            kmax = max(key0[e] for e in nxt)
            if kinds[s] == 2:
                t = 0
                lo = max(v + cmin[0], kmin)
                if smax[0] < lo:
                    lo = smax[0]
            else:
                t = 1
                lo = max(v + cmin[1], kmin)
                if smax[2] < lo:
                    lo = smax[2]
            hi = min(v + cmax[t], kmax)
            if hi < lo:
                lo, hi = hi, lo
            for rv in sorted(recs):
                rl = recs[rv]
                for e in nxt:
                    k = key0[e]
                    u = k - v
                    if s == n:
                        value = rv
                    else:
                        if not (lo <= k <= hi and cmin[t] <= u <= cmax[t] and (u <= 2 if s < nd else u <= 1)):
                            continue
                        value = rv + float(weights[s] * xstep_score(kinds[s], u, model))
                    lp = 0.0 if rl < 1e-7 else rl + 0.0
                    if nodes[e].recs is None:
                        nodes[e].recs = {}
                    insert(nodes[e].recs, value, lp)


# ---------------------------------------------------------------- Mendelian checks on real codes

def auto_mendel_ok(T, f, col, nall):
    # Distinct codes shown by the members, negative codes included (a negative code is
    # coded as "another allele" by the pair coding, so it counts as an allele here).
    shown = set()
    for r in f.members:
        shown.add(T[r][col])
        shown.add(T[r][col + 1])
    if len(shown) > 4:
        return False
    g = lambda pos: (T[f.members[pos]][col], T[f.members[pos]][col + 1])
    if len(f.parents) == 2:
        P, Q = g(f.parents[0]), g(f.parents[1])
        for c in f.children:
            c1, c2 = g(c)
            if not ((c1 in P and c2 in Q) or (c2 in P and c1 in Q)):
                return False
    elif len(f.parents) == 1:
        P = g(f.parents[0])
        for c in f.children:
            c1, c2 = g(c)
            if not (c1 in P or c2 in P):
                return False
    return True


def x_mendel_ok(T, f, col):
    g = lambda pos: (T[f.members[pos]][col], T[f.members[pos]][col + 1])
    for s in f.sons:
        a, b = g(s)
        if a != b:
            return False
    if f.fpos != -1:
        a, b = g(f.fpos)
        if a != b:
            return False
        opts = [a]
    elif f.daughters:
        opts = sorted(set(g(f.daughters[0])))
    else:
        opts = [None]
    for fa in opts:
        needed = set(g(s)[0] for s in f.sons)
        ok = True
        for d in f.daughters:
            d1, d2 = g(d)
            if d1 == fa:
                needed.add(d2)
            elif d2 == fa:
                needed.add(d1)
            else:
                ok = False
                break
        if not ok:
            continue
        if f.mpos != -1:
            if needed <= set(g(f.mpos)):
                return True
        else:
            if len(needed) <= 2:
                return True
    return False


# ---------------------------------------------------------------- network

def network(xl, T, names, marker, model, k, L):
    col = 2 * marker + 4
    S = 0.0
    unin = 0
    peds, mos, fas = pedigrees(T)
    acc = Node(0.0, 0.0, 0.0, 0.0, 0.0, None)
    running = {0.0: 0.0}
    exact = Exact()
    inf = Informative()
    tested = L[k]
    for fi in range(len(peds)):
        ped, fa, mo = peds[fi], fas[fi], mos[fi]
        f = nuclear_sex(T, ped, fa, mo, col)
        famall = count_alleles(T, f.members, col)
        nk = len(f.children)
        marked = False
        if len(f.members) == 0:
            marked = True
        if len(famall) < 2:
            marked = True
        if nk == 0:
            marked = True
        if nk <= 1 and len(f.parents) <= 1:
            marked = True
        if tested not in famall:
            marked = True
        if not marked:
            P = pair_alleles(T, f.members, tested, col)
            if xl == 0:
                if not auto_mendel_ok(T, f, col, len(famall)):
                    cov("auto:mendel-warning")
                    report_incompatible(ped)
                    marked = True
                else:
                    mat = [[0] * 4 for _ in range(4)]
                    minC, maxC, homl = minmaxA(P, f.parents, f.children, mat)
                    low, high = minmaxm(minC, maxC, P, f.children, f.parents, len(famall), homl, mat)
            else:
                ok, cmin, cmax, smin, smax, ifk = minmaxX(P, f.fpos, f.mpos, f.sons, f.daughters)
                if ok == 0 or not x_mendel_ok(T, f, col):
                    cov("x:warning-checkgenos" if ok == 0 else "x:warning-realcodes")
                    report_incompatible(ped)
                    marked = True
        if marked:
            unin += 1
            continue
        fstat = statistic(P, f.aff, f.children, model, f.sexes, xl)
        if xl == 0:
            stage, key0, key1, hom0, hom1 = buildG(low, high, nk, minC, maxC, homl, mat, f.parents)
        else:
            stage, key0 = buildX(cmin, cmax, smin, smax, len(f.daughters), len(f.sons))
        N = len(stage)
        first, last = stage_bounds(stage, nk)
        tab = faclog(2 * nk + 1)
        nodes = [Node() for _ in range(N)]
        nodes[N - 1] = Node(0.0, 0.0, acc.mean, acc.var, acc.lm, None)
        if xl == 0:
            cw = [f.aff[c] for c in f.children] + [0]
            backwardG(nk + 1, nodes, tab, first, last, cw, minC, maxC, model, homl, key0, key1, hom0, hom1)
        else:
            backwardX(nk + 1, nodes, cmin, cmax, key0, first, last, f.sons, f.daughters, f.aff, model)
        root = nodes[0]
        if xl == 1:
            cov("x:ifk=%d par=%d%d inf=%d" % (ifk, f.fpos != -1, f.mpos != -1, root.mx != root.mn))
        else:
            cov("auto:npar=%d nall=%d hom=%d inf=%d" % (len(f.parents), min(len(famall), 3), len(homl), root.mx != root.mn))
        if root.mx != root.mn:
            S = S + fstat
            inf.add(ped, fa, mo)
            own = [Node(n.mn, n.mx, n.mean, n.var, n.lm, None) for n in nodes]
            for ns, start in ((nodes, running), (own, {0.0: 0.0})):
                ns[0].recs = start
                if xl == 0:
                    forwardG(nk + 1, ns, first, last, tab, cw, minC, maxC, key0, key1, model, hom0, hom1, homl)
                else:
                    forwardX(nk + 1, ns, cmin, cmax, smin, smax, key0, first, last,
                             f.sons, f.daughters, f.aff, model)
            acc = Node(0.0, 0.0, root.mean, root.var, root.lm, None)
            running = nodes[N - 1].recs or {}
            exact.add(exact_family(own[N - 1].recs or {}))
        else:
            unin += 1
    m1, m2 = moment(running, acc.lm)
    E = m1
    V = m2 - m1 * m1
    E, V, p = exact_results(exact, E, V, S, pvalue(E, V, acc.lm, running, S))
    infc = len(peds) - unin
    report_result(names[marker - 1], tested, infc, model, S, E, V, p)
    inf.close()


# ---------------------------------------------------------------- network2

def type2(counts, nall, parents, children, childAlleles):
    possible = [[0] * 4 for _ in range(4)]
    hom = []
    for i in range(nall):
        for c in children:
            if counts[c][i] == 2 and i not in hom:
                hom.append(i)
    dist_g = []
    for c in children:
        g1 = g2 = None
        for a in range(nall):
            if counts[c][a] == 1:
                if g1 is None:
                    g1 = g2 = a
                else:
                    g2 = a
            elif counts[c][a] == 2:
                g1 = g2 = a
        if g1 is None:
            continue
        if (g1, g2) not in dist_g:
            dist_g.append((g1, g2))
    dcg = len(dist_g)
    if len(parents) == 2:
        P0, P1 = counts[parents[0]], counts[parents[1]]
        for a in range(nall):
            for b in range(nall):
                possible[a][b] = min(1, P0[a] * P1[b] + P1[a] * P0[b])
        return possible, dcg
    for g1, g2 in dist_g:
        possible[g1][g2] = possible[g2][g1] = 1
    if nall == 3 and len(hom) == 1 and len(dist_g) == 2:
        return possible, dcg
    if not len(childAlleles) > 1:
        return possible, dcg
    if len(parents) == 1:
        P = counts[parents[0]]
        for k in range(nall):
            if P[k] != 0:
                continue
            for q in range(nall):
                if P[q] == 1:
                    possible[q][k] = possible[k][q] = 1
    for h in hom:
        for k in range(nall):
            if k == h:
                continue
            possible[h][k] = possible[k][h] = 1
            for i in range(nall):
                if i != h and i != k:
                    possible[k][i] = 1
    if nall == 4 and len(parents) == 0:
        for q in range(4):
            for k in range(4):
                if possible[q][k] != 1:
                    continue
                for i in range(k + 1, 4):
                    if possible[q][i] != 1:
                        continue
                    for m in range(q + 1, 4):
                        if possible[m][k] == 1 or possible[m][i] == 1:
                            possible[m][k] = possible[k][m] = 1
                            possible[m][i] = possible[i][m] = 1
    return possible, dcg


def params(possible, counts, nall, children, parents):
    ones = sum(1 for a in range(4) for b in range(4) if possible[a][b] == 1)
    diag = sum(1 for a in range(4) if possible[a][a] == 1)
    pc = (ones + diag) // 2
    columns = [[0] * 10 for _ in range(4)]
    g = 0
    for a in range(4):
        for b in range(a + 1):
            if possible[a][b] == 1:
                if a == b:
                    columns[a][g] = 2
                else:
                    columns[a][g] = 1
                    columns[b][g] = 1
                g += 1
    gindex = []
    missing = False
    for t in range(len(children) + len(parents)):
        if t in children:
            found = False
            for gg in range(pc):
                if all(counts[t][j] == columns[j][gg] for j in range(nall)):
                    gindex.append(gg)
                    found = True
            if not found:
                missing = True
        else:
            gindex.append(-1)
    homc = sum(1 for a in range(4) for b in range(10) if columns[a][b] == 2)
    homp = sum(1 for p in parents for j in range(nall) if counts[p][j] == 2)
    return pc, columns, gindex, homc, homp, missing


def stat2(aff, counts, children, model, nall, tpos, values, columns, gindex, pc, parents, homc, homp):
    T = 0
    for c in children:
        T += aff[c] * score_auto(counts[c][tpos], model)
    values.append(T)
    if pc == 2:
        if homc == 1 and len(children) > 2 and homp != 1 and nall == 2:
            pass
        else:
            m = 0
            for c in children:
                if gindex[c] == 0:
                    x = columns[tpos][1]
                elif gindex[c] == 1:
                    x = columns[tpos][0]
                else:
                    raise RuntimeError("genotype index out of range")
                m += aff[c] * score_auto(x, model)
            values.append(m)
    elif homc == 2:
        maps = [{0: 1, 1: 0, 2: 1}, {0: 1, 1: 2, 2: 1}, {0: 2, 1: 1, 2: 0}]
        if len(parents) == 2 and len(children) == 2:
            use = maps
        else:
            use = [maps[2]]
        for mp in use:
            m = 0
            for c in children:
                m += aff[c] * score_auto(mp[counts[c][tpos]], model)
            values.append(m)
    if len(values) > 1 and any(v != values[0] for v in values[1:]):
        return float(T)
    del values[:]
    return 0.0


def moreinf(aff, counts, children, model, nall, tpos, values, columns, gindex, pc, parents, homc, homp):
    pavg = 0.0
    firsts, seconds = [], []
    n = len(children)
    for i in range(n):
        for j in range(i + 1, n):
            ci, cj = children[i], children[j]
            if gindex[ci] != gindex[cj]:
                r = stat2(aff, counts, [ci, cj], model, nall, tpos, values, columns, gindex, pc, parents, homc, homp)
                pavg += r
                if len(values) > 1:
                    firsts.append(ci)
                    seconds.append(cj)
            del values[:]
    if firsts:
        pavg = pavg / len(firsts)
    else:
        pavg = 0.0
    if firsts:
        r = LCG.rand()
        u = r / 32767.0
        npairs = len(firsts)
        pick = 0
        lo = 0.0
        for s in range(npairs):
            hi = (s + 1) / npairs
            if u >= lo and u <= hi:
                pick = s
            lo = (s + 1) / npairs
        children[:] = [firsts[pick], seconds[pick]]
        return 1, pavg
    return 0, pavg


def network2(T, names, marker, model, code):
    S = 0.0
    pstat = 0.0
    W = 0.0
    unin = 0
    inf = Informative()
    col = 2 * marker + 4
    peds, mos, fas = pedigrees(T)
    running = {0.0: 0.0}
    exact = Exact()
    for fi in range(len(peds)):
        ped, fa, mo = peds[fi], fas[fi], mos[fi]
        f = nuclear_plain(T, ped, fa, mo, col)
        famall = count_alleles(T, f.members, col)
        nall = len(famall)
        if nall == 1:
            unin += 1
            continue
        childrows = [f.members[c] for c in f.children]
        childall = count_alleles(T, childrows, col)
        counts = []
        for r in f.members:
            a, b = T[r][col], T[r][col + 1]
            counts.append([(1 if a == x else 0) + (1 if b == x else 0) for x in famall])
        tpos = famall.index(code) if code in famall else -1
        nk = len(f.children)
        bad = False
        if tpos == -1 or nall == 1 or (nk == 1 and len(f.parents) <= 1):
            bad = True
        if nall > 4:
            cov("n2:more-than-4")
            bad = True
        if not bad:
            possible, dcg = type2(counts, nall, f.parents, f.children, childall)
            pc, columns, gindex, homc, homp, missing = params(possible, counts, nall, f.children, f.parents)
            if missing:
                cov("n2:missing-genotype")
                bad = True
        if bad:
            unin += 1
            continue
        values = []
        children = list(f.children)
        Tv = stat2(f.aff, counts, children, model, nall, tpos, values, columns, gindex, pc, f.parents, homc, homp)
        S += Tv
        pstat += Tv
        if len(values) <= 1 and nk > 2 and len(f.parents) <= 1 and homp == 0 and pc == 2:
            del values[:]
            cov("n2:moreinf")
            flag, pavg = moreinf(f.aff, counts, children, model, nall, tpos, values, columns, gindex, pc,
                                 f.parents, homc, homp)
            del values[:]
            if flag == 1:
                cov("n2:moreinf-picked")
                T2 = stat2(f.aff, counts, children, model, nall, tpos, values, columns, gindex, pc,
                           f.parents, homc, homp)
                S += T2
                pstat += pavg
        if len(values) <= 1:
            unin += 1
            continue
        cov("n2:inf nvals=%d npar=%d pc=%d homc=%d" % (len(values), len(f.parents), pc, homc))
        inf.add(ped, fa, mo)
        W += clog(float(len(values)))
        running = convolve(running, values)
        exact.add(equally_likely(values))
    E, E2 = moment2(running, W)
    V = E2 - E * E
    E, V, p = exact_results(exact, E, V, pstat, pvalue(E, V, W, running, pstat))
    infc = len(peds) - unin
    report_result(names[marker - 1], code, infc, model, S, E, V, p)
    inf.close()


def switchGens(P, sons, daughters, fp, mp, aff, sexes, children, model):
    values = []
    _, fk = mapa(mp, fp, [-1, -1], -1, P)
    S0 = int(statistic(P, aff, children, model, sexes, 1))
    values.append(S0)
    hom = -1
    for d in daughters:
        if P[d][0] == 2 and P[d][1] == 0:
            hom = 0
        elif P[d][1] == 2:
            hom = 1
    sd = ss = 0
    if fp != -1 and mp != -1:
        sd = ss = 1
    elif fp != -1:
        if any(P[d][0] != P[daughters[0]][0] for d in daughters) or \
                any(P[s][0] != P[sons[0]][0] for s in sons):
            sd = ss = 1
        seen0 = 1 if any(P[s][0] == 2 and P[s][1] == 0 for s in sons) else 0
        seen1 = 1 if any(P[s][1] == 2 for s in sons) else 0
        if fk in (0, 1):
            if hom != -1 and ((fk == 0 and seen1) or (fk == 1 and seen0)):
                sd = ss = 1
            if hom == -1 and ((fk == 0 and seen0) or (fk == 1 and seen1)):
                sd = ss = 1
    elif mp != -1:
        ss = 1
        if len(daughters) >= 2 and any(P[d][0] != P[daughters[0]][0] for d in daughters[1:]):
            sd = 1
    else:
        if any(P[d][0] != P[daughters[0]][0] for d in daughters[1:]):
            sd = 1
        if any(P[s][0] != P[sons[0]][0] for s in sons[1:]):
            ss = 1
    Q = [list(x) for x in P]
    if sd or ss:
        if sd:
            for d in daughters:
                if P[d] == [2, 0] or P[d] == [0, 2]:
                    Q[d] = [1, 1]
                elif P[d][0] == 1:
                    t = fk if fp != -1 else hom
                    if t == 0:
                        Q[d] = [2, 0]
                    elif t == 1:
                        Q[d] = [0, 2]
                    else:
                        cov("x2:heterozygous-father-switch")
                        return values  # no target kind: the family keeps its single value
        if ss:
            for s in sons:
                if P[s] == [2, 0]:
                    Q[s] = [0, 2]
                elif P[s] == [0, 2]:
                    Q[s] = [2, 0]
    cov("x2:par=%d%d sd=%d ss=%d" % (fp != -1, mp != -1, sd, ss))
    S1 = int(statistic(Q, aff, children, model, sexes, 1))
    if S1 != values[0]:
        values.append(S1)
    return values


def networkX2(T, names, marker, model, k, L):
    col = 2 * marker + 4
    peds, mos, fas = pedigrees(T)
    running = {0.0: 0.0}
    exact = Exact()
    S = 0.0
    lw = 0.0
    unin = 0
    inf = Informative()
    tested = L[k]
    for fi in range(len(peds)):
        ped, fa, mo = peds[fi], fas[fi], mos[fi]
        f = nuclear_sex(T, ped, fa, mo, col)
        famall = count_alleles(T, f.members, col)
        bad = False
        if len(f.members) == 0:
            bad = True
        if len(famall) < 2:
            bad = True
        if len(f.children) == 0:
            bad = True
        if len(f.children) <= 1 and len(f.parents) <= 1:
            bad = True
        if f.mpos != -1:
            # a genotyped mother must carry the tested allele exactly once:
            # homozygous, she has nothing to switch; without it (2/3 with
            # allele 1 tested) the switch would give copies she does not have
            r = T[f.members[f.mpos]]
            if (r[col] == tested) + (r[col + 1] == tested) != 1:
                bad = True
        if tested not in famall:
            bad = True
        if bad:
            unin += 1
            continue
        P = pair_alleles(T, f.members, tested, col)
        values = switchGens(P, f.sons, f.daughters, f.fpos, f.mpos, f.aff, f.sexes, f.children, model)
        if len(values) < 2:
            unin += 1
            continue
        S = S + statistic(P, f.aff, f.children, model, f.sexes, 1)
        inf.add(ped, fa, mo)
        lw = lw + clog(float(len(values)))
        running = convolve(running, values)
        exact.add(equally_likely(values))
    m1, m2 = moment(running, lw)
    E = m1
    V = m2 - m1 * m1
    E, V, p = exact_results(exact, E, V, S, pvalue(E, V, lw, running, S))
    infc = len(peds) - unin
    report_result(names[marker - 1], tested, infc, model, S, E, V, p)
    inf.close()


# ---------------------------------------------------------------- driver

def c_atoi(s):
    b = os.fsencode(s)
    i = 0
    while i < len(b) and b[i] in b" \t\n\v\f\r":
        i += 1
    neg = False
    if i < len(b) and b[i] in b"+-":
        neg = b[i:i + 1] == b"-"
        i += 1
    j = i
    while j < len(b) and 48 <= b[j] <= 57:
        j += 1
    if j == i:
        return 0
    v = int(b[i:j])
    if neg:
        v = -v
    LMAX = 2 ** 63 - 1
    LMIN = -2 ** 63
    if v > LMAX:
        v = LMAX
    if v < LMIN:
        v = LMIN
    v &= 0xFFFFFFFF
    if v >= 2 ** 31:
        v -= 2 ** 32
    return v


WS = b" \t\r\v\f"
TOKEN = re.compile(rb"[+-]?[0-9]+\Z")


def read_file(name):
    """Returns (names, table) or raises Failure with message."""
    try:
        with open(name, "rb") as fh:
            data = fh.read()
    except OSError:
        return None, "open"
    if len(data) == 0:
        return None, "open"
    lines = data.split(b"\n")
    if data.endswith(b"\n"):
        lines = lines[:-1]
    header = lines[0]
    names = [m.decode("latin-1") for m in re.findall(rb"[A-Za-z0-9]+", header)]
    if not names:
        return None, "open"
    columns = 2 * len(names) + 6
    table = []
    for ln, line in enumerate(lines[1:], start=2):
        toks = re.split(rb"[ \t\r\v\f]+", line)
        toks = [t for t in toks if t]
        if not toks:
            continue
        if len(toks) != columns:
            return None, (b"\nError: %s line %d: expected %d values, found %d.\n"
                          % (os.fsencode(name), ln, columns, len(toks)))
        row = []
        for vi, t in enumerate(toks, start=1):
            if not TOKEN.match(t):
                return None, (b"\nError: %s line %d, value %d: '%s' is not an integer.\n"
                              % (os.fsencode(name), ln, vi, t))
            v = int(t)
            if v < -2 ** 31 or v >= 2 ** 31:
                return None, (b"\nError: %s line %d, value %d: '%s' is out of range.\n"
                              % (os.fsencode(name), ln, vi, t))
            row.append(v)
        table.append(row)
    return names, table


def main(argv):
    args = argv[1:]
    if len(args) != 6:
        OUT.con("\nError: Incorrect number of parameters. \nUsage: kintex pedfilename logfile xlinked H_0 model marker")
        return 1
    ped, logn = args[0], args[1]
    if ped == logn:
        OUT.con("\nERROR: overwriting input file.\n")
        return 1
    xl, null, model, marker = (c_atoi(a) for a in args[2:6])
    try:
        OUT.log = open(logn, "wb")
    except OSError:
        OUT.con(b"\nError opening log file: " + os.fsencode(logn) + b". \n")
        return 1
    OUT.lg(b"\n\n* * * * * * * *\n\n" + b"".join(os.fsencode(a) + b" " for a in args) + b"\n")
    names, table = read_file(ped)
    if names is None:
        if table == "open":
            msg = b"\nError opening file: " + os.fsencode(ped) + b". \n"
        else:
            msg = table
        OUT.con(msg)
        OUT.lg(msg)
        return 1
    nmark = len(names)
    if not (0 <= marker <= nmark):
        m = "\nMarker %d is not a valid choice. \n" % marker
        OUT.lg(m)
        OUT.con(m)
        return 1
    for val, nm, ok in ((xl, "xlinked", (0, 1)), (null, "null", (0, 1)), (model, "model", (1, 2, 3))):
        if val not in ok:
            m = "\n%d is not a valid option for '%s'." % (val, nm)
            OUT.lg(m)
            OUT.con(m)
            return 1
    markers = range(1, nmark + 1) if marker == 0 else [marker]
    for m in markers:
        col = 2 * m + 4
        L = count_alleles(table, range(len(table)), col)
        for k in range(len(L)):
            if null == 1 and xl == 0:
                network2(table, names, m, model, L[k])
            elif null == 1 and xl == 1:
                networkX2(table, names, m, model, k, L)
            else:
                network(xl, table, names, m, model, k, L)
    OUT.log.close()
    if os.environ.get("REFCOV"):
        with open(os.environ["REFCOV"], "a") as fh:
            for k_, v_ in COV.items():
                fh.write("%s\t%d\n" % (k_, v_))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
