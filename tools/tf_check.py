#!/usr/bin/env python3
"""A second, independent computation of the transfer functions, to hold tarvex-batch to.

Written from the definitions without any of the program's code: plain refits for every
left-out site (no sums carried between models), WA-PLS as the weighted least-squares fit of
x within the Krylov space of its components (an orthogonal basis and a small linear system
instead of the conjugate-gradient recurrences), the random numbers of the significance test
from its own mt19937_64.

Usage: tf_check.py DATA_FOLDER OUT_FOLDER SET [options]
  SET  imbrie-kipp | swap-rlgh | north-american-pollen
  --every K       check every K-th site only (default 1: all)
  --hblock KM     h-block distance (default: leave-one-out)
  --random N      random variables of the significance test (default 0: none)
  --seed S        seed of the significance test (default 1)
The batch run must have written OUT_FOLDER/tf-cv-estimates.csv (and significance.csv for
--random) with the same set, parameter and settings: WA with tolerances, WA-PLS with 5
components. Prints the figures of both and the largest relative difference; exits 1 when any
deterministic figure differs by more than 1e-8 relative.
"""

import csv
import math
import os
import sys

SETS = {
    "imbrie-kipp": ("modern.csv", "sst.csv", "SumSST", "v12-122.csv", None),
    "swap-rlgh": ("modern.csv", "ph.csv", "pH", "rlgh.csv", None),
    "north-american-pollen": ("modern.csv", "climate.csv", "tjul", None, "location.csv"),
}
COMPONENTS = 5
TOLERANCE = 1e-8


def read_table(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    header = rows[0]
    labels = [r[0].strip() for r in rows[1:]]
    values = [[float(v) for v in r[1:]] for r in rows[1:]]
    return header, labels, values


def proportions(values):
    out = []
    for row in values:
        total = sum(row)
        out.append([v / total if total else 0.0 for v in row])
    return out


def sparse(rows):
    return [[(k, v) for k, v in enumerate(row) if v != 0] for row in rows]


# Weighted averaging ------------------------------------------------------------------------

def wa_fit(y, x, train, m):
    c = [0.0] * m
    s = [0.0] * m
    for i in train:
        for k, v in y[i]:
            c[k] += v
            s[k] += v * x[i]
    opt = [s[k] / c[k] if c[k] > 0 else None for k in range(m)]
    spread = [0.0] * m
    share = [0.0] * m
    for i in train:
        for k, v in y[i]:
            spread[k] += v * (x[i] - opt[k]) ** 2
            share[k] += (v / c[k]) ** 2
    tol = [None] * m
    for k in range(m):
        if opt[k] is None or 1 - share[k] <= 0:
            continue
        tol[k] = math.sqrt(spread[k] / c[k] / (1 - share[k]))
    good = [t for k, t in enumerate(tol) if t is not None and t >= 0.01]
    mean = sum(good) / len(good) if good else None
    used = [None] * m
    for k in range(m):
        if opt[k] is not None and mean is not None:
            used[k] = tol[k] if tol[k] is not None and tol[k] >= 0.01 else mean
    model = {"opt": opt, "used": used}
    for kind in ("plain", "tol"):
        w = [raw(model, y[i], kind) for i in train]
        xs = [x[i] for i in train]
        mx = sum(xs) / len(xs)
        mw = sum(w) / len(w)
        sxx = sum((a - mx) ** 2 for a in xs)
        sww = sum((b - mw) ** 2 for b in w)
        sxw = sum((a - mx) * (b - mw) for a, b in zip(xs, w))
        model[kind] = (mx, mw, sxx, sww, sxw)
    return model


def raw(model, row, kind):
    amount = num = den = 0.0
    for k, v in row:
        if model["opt"][k] is None:
            continue
        amount += v
        weight = v if kind == "plain" else v / model["used"][k] ** 2
        num += weight * model["opt"][k]
        den += weight
    return num / den if amount > 1e-6 else None


def wa_estimates(model, row):
    out = {}
    for kind, names in (("plain", ("WA inverse", "WA classical")),
                        ("tol", ("WA inverse tolerance", "WA classical tolerance"))):
        w = raw(model, row, kind)
        mx, mw, sxx, sww, sxw = model[kind]
        out[names[0]] = None if w is None else mx + sxw / sww * (w - mw)
        out[names[1]] = None if w is None else mx + (w - mw) * sxx / sxw
    return out


# WA-PLS as least squares in the Krylov space ----------------------------------------------

def solve(a, b):
    n = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for col in range(n):
        piv = max(range(col, n), key=lambda r: abs(m[r][col]))
        m[col], m[piv] = m[piv], m[col]
        for r in range(col + 1, n):
            f = m[r][col] / m[col][col]
            for c in range(col, n + 1):
                m[r][c] -= f * m[col][c]
    out = [0.0] * n
    for r in range(n - 1, -1, -1):
        out[r] = (m[r][n] - sum(m[r][c] * out[c] for c in range(r + 1, n))) / m[r][r]
    return out


def wapls_fit(y, x, train, m, comps):
    rsum = {i: sum(v for _, v in y[i]) for i in train}
    total = sum(rsum.values())
    c = [0.0] * m
    for i in train:
        for k, v in y[i]:
            c[k] += v
    active = [ck > 0 for ck in c]
    mean = sum(rsum[i] * x[i] for i in train) / total
    r0 = {i: x[i] - mean for i in train}
    s0 = [0.0] * m
    for i in train:
        for k, v in y[i]:
            s0[k] += v * r0[i]

    def scores(vec):  # site scores D_R^-1 Y v
        return {i: sum(v * vec[k] for k, v in y[i]) / rsum[i] for i in train}

    def apply(vec):  # C^-1 Y' D_R^-1 Y v
        t = scores(vec)
        out = [0.0] * m
        for i in train:
            for k, v in y[i]:
                out[k] += v * t[i]
        return [out[k] / c[k] if active[k] else 0.0 for k in range(m)]

    def cdot(a, b):
        return sum(c[k] * a[k] * b[k] for k in range(m))

    basis = []
    vec = [s0[k] / c[k] if active[k] else 0.0 for k in range(m)]
    models = []
    for comp in range(comps):
        if comp > 0:
            vec = apply(basis[-1])
        for b in basis:  # modified Gram-Schmidt in the C inner product, twice
            f = cdot(vec, b)
            vec = [vec[k] - f * b[k] for k in range(m)]
        for b in basis:
            f = cdot(vec, b)
            vec = [vec[k] - f * b[k] for k in range(m)]
        norm = math.sqrt(cdot(vec, vec))
        if norm == 0:
            break
        vec = [v / norm for v in vec]
        basis.append(vec)
        t = [scores(b) for b in basis]
        n = len(basis)
        gram = [[sum(rsum[i] * t[a][i] * t[b][i] for i in train) for b in range(n)]
                for a in range(n)]
        rhs = [sum(rsum[i] * t[a][i] * r0[i] for i in train) for a in range(n)]
        coef = solve(gram, rhs)
        bvec = [sum(coef[j] * basis[j][k] for j in range(n)) for k in range(m)]
        models.append([bvec[k] + mean if active[k] else None for k in range(m)])
    return models


def wapls_estimate(beta, row):
    amount = num = 0.0
    for k, v in row:
        if beta[k] is None:
            continue
        amount += v
        num += v * beta[k]
    return num / amount if amount > 1e-6 else None


# Figures ------------------------------------------------------------------------------------

def figures(est, obs):
    pairs = [(e, o) for e, o in zip(est, obs) if e is not None]
    n = len(pairs)
    res = [e - o for e, o in pairs]
    rmse = math.sqrt(sum(r * r for r in res) / n)
    mean_bias = sum(res) / n
    es = [e for e, _ in pairs]
    os_ = [o for _, o in pairs]
    me, mo = sum(es) / n, sum(os_) / n
    sxy = sum((a - me) * (b - mo) for a, b in pairs)
    sxx = sum((a - me) ** 2 for a in es)
    syy = sum((b - mo) ** 2 for b in os_)
    r2 = sxy * sxy / (sxx * syy)
    lo, hi = min(os_), max(os_)
    edges = [lo + j * ((hi - lo) / 10) for j in range(11)]
    sums = [0.0] * 10
    counts = [0] * 10
    for (e, o), r in zip(pairs, res):
        b = 0
        while b < 9 and o > edges[b + 1]:
            b += 1
        sums[b] += r
        counts[b] += 1
    means = [s / c for s, c in zip(sums, counts) if c]
    max_bias = max(means, key=abs)
    return {"RMSE": rmse, "R2": r2, "Mean bias": mean_bias, "Max bias": max_bias}


# Random numbers -------------------------------------------------------------------------------

class MT64:
    """std::mt19937_64."""

    def __init__(self, seed):
        self.mt = [0] * 312
        self.mt[0] = seed & 0xFFFFFFFFFFFFFFFF
        for i in range(1, 312):
            self.mt[i] = (6364136223846793005 * (self.mt[i - 1] ^ (self.mt[i - 1] >> 62)) + i) \
                & 0xFFFFFFFFFFFFFFFF
        self.index = 312

    def next(self):
        if self.index >= 312:
            for i in range(312):
                x = (self.mt[i] & 0xFFFFFFFF80000000) | (self.mt[(i + 1) % 312] & 0x7FFFFFFF)
                xa = x >> 1
                if x & 1:
                    xa ^= 0xB5026F5AA96619E9
                self.mt[i] = self.mt[(i + 156) % 312] ^ xa
            self.index = 0
        y = self.mt[self.index]
        self.index += 1
        y ^= (y >> 29) & 0x5555555555555555
        y ^= (y << 17) & 0x71D67FFFEDA60000
        y ^= (y << 37) & 0xFFF7EEE000000000
        y ^= y >> 43
        return y & 0xFFFFFFFFFFFFFFFF


def splitmix(z):
    z = (z + 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & 0xFFFFFFFFFFFFFFFF
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & 0xFFFFFFFFFFFFFFFF
    return z ^ (z >> 31)


def stream(seed, kind, number):
    return MT64(splitmix(splitmix(splitmix(seed) ^ kind) ^ number))


def explained(fossil, z):
    n = len(z)
    mz = sum(z) / n
    zc = [v - mz for v in z]
    zz = sum(v * v for v in zc)
    total = ex = 0.0
    for k in range(len(fossil[0])):
        col = [row[k] for row in fossil]
        mc = sum(col) / n
        cc = [v - mc for v in col]
        total += sum(v * v for v in cc)
        ex += sum(a * b for a, b in zip(zc, cc)) ** 2 / zz
    return ex / total


def haversine(a, b):
    p1, p2 = math.radians(a[0]), math.radians(b[0])
    h = math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2) * \
        math.sin(math.radians(b[1] - a[1]) / 2) ** 2
    return 2 * 6371 * math.asin(min(1.0, math.sqrt(h)))


def main():
    args = sys.argv[1:]
    data, out, name = args[0], args[1], args[2]
    opts = dict(zip(args[3::2], args[4::2]))
    every = int(opts.get("--every", 1))
    hblock = float(opts["--hblock"]) if "--hblock" in opts else None
    nrandom = int(opts.get("--random", 0))
    seed = int(opts.get("--seed", 1))
    modern_file, climate_file, param, fossil_file, location_file = SETS[name]
    folder = data + "/" + name + "/"
    if not os.path.isdir(folder):
        sys.exit("tf_check.py: the data set %s is not in %s" % (name, data))
    _, labels, values = read_table(folder + modern_file)
    header, clabels, cvalues = read_table(folder + climate_file)
    x = [row[header.index(param) - 1] for row in cvalues]
    y = sparse(proportions(values))
    m = len(values[0])
    sites = [i for i in range(len(y)) if y[i]]
    if hblock is not None:
        _, _, loc = read_table(folder + location_file)

    def removed(j):
        if hblock is None:
            return {j}
        return {i for i in range(len(y)) if i == j or haversine(loc[i], loc[j]) <= hblock}

    # Estimates of both programs for the checked sites.
    batch = {}
    with open(out + "/tf-cv-estimates.csv", newline="") as f:
        for row in csv.DictReader(f):
            if row["Parameter"] != param:
                continue
            # Rows come in site order; labels are not used to match, so that tables whose
            # labels repeat are compared all the same.
            key = row["Method"] + (" " + row["Components"] if row["Components"] else "")
            batch.setdefault(key, []).append((
                float(row["Apparent"]) if row["Apparent"] else None,
                float(row["Cross-validated"]) if row["Cross-validated"] else None))

    checked = sites[::every]
    mine = {}
    for j in checked:
        gone = removed(j)
        train = [i for i in sites if i not in gone]
        est = wa_estimates(wa_fit(y, x, train, m), y[j])
        for c, beta in enumerate(wapls_fit(y, x, train, m, COMPONENTS), 1):
            est["WA-PLS %d" % c] = wapls_estimate(beta, y[j])
        for key, v in est.items():
            mine.setdefault(key, {})[j] = v
    full_wa = wa_fit(y, x, sites, m)
    full_pls = wapls_fit(y, x, sites, m, COMPONENTS)
    apparent = {}
    for j in sites:
        est = wa_estimates(full_wa, y[j])
        for c, beta in enumerate(full_pls, 1):
            est["WA-PLS %d" % c] = wapls_estimate(beta, y[j])
        for key, v in est.items():
            apparent.setdefault(key, {})[j] = v

    worst = 0.0
    spread = max(x) - min(x)

    def rel(a, b, scale):
        return abs(a - b) / max(abs(a), abs(b), scale)

    kind = "leave-one-out" if hblock is None else "h-block %g km" % hblock
    print("%s, %s, %s; %d of %d sites checked" % (name, param, kind, len(checked), len(sites)))
    print("%-24s %-10s %14s %14s %14s %14s   largest difference" %
          ("method", "figures", "RMSE", "R2", "Mean bias", "Max bias"))
    for key in sorted(mine):
        for what, ours in (("apparent", apparent[key]), (kind, mine[key])):
            idx = 0 if what == "apparent" else 1
            used_sites = list(ours)
            theirs = [batch[key][j][idx] for j in used_sites]
            obs = [x[j] for j in used_sites]
            mv = [ours[j] for j in used_sites]
            d = max(rel(a, b, spread) for a, b in zip(mv, theirs) if a is not None)
            fm, fb = figures(mv, obs), figures(theirs, obs)
            dfig = max(rel(fm[f], fb[f], 1e-300 if f == "R2" else spread) for f in fm)
            worst = max(worst, d, dfig)
            print("%-24s %-10s %14.8g %14.8g %14.8g %14.8g   %.1e (estimates) %.1e (figures)" %
                  (key, what[:10], fm["RMSE"], fm["R2"], fm["Mean bias"], fm["Max bias"], d, dfig))

    if nrandom > 0 and fossil_file:
        _, flabels, fvalues = read_table(folder + fossil_file)
        fossil = proportions(fvalues)
        fsparse = sparse(fossil)
        used = [f for f in range(len(fsparse)) if fsparse[f]]
        fos = [fossil[f] for f in used]
        sig = {}
        with open(out + "/significance.csv", newline="") as f:
            for row in csv.DictReader(f):
                if row["Parameter"] == param:
                    key = row["Method"] + (" " + row["Components"] if row["Components"] else "")
                    sig[key] = (float(row["Explained"]), float(row["p"]))
        real = {}
        for f in used:
            est = wa_estimates(full_wa, fsparse[f])
            for c, beta in enumerate(full_pls, 1):
                est["WA-PLS %d" % c] = wapls_estimate(beta, fsparse[f])
            for key, v in est.items():
                real.setdefault(key, []).append(v)
        null = {key: [] for key in real}
        for v in range(1, nrandom + 1):
            rng = stream(seed, 2, v)
            xr = [0.0] * len(y)
            for i in range(len(y)):
                xr[i] = (rng.next() >> 11) * 2.0 ** -53
            wa = wa_fit(y, xr, sites, m)
            pls = wapls_fit(y, xr, sites, m, COMPONENTS)
            zs = {}
            for f in used:
                est = wa_estimates(wa, fsparse[f])
                for c, beta in enumerate(pls, 1):
                    est["WA-PLS %d" % c] = wapls_estimate(beta, fsparse[f])
                for key, val in est.items():
                    zs.setdefault(key, []).append(val)
            for key in null:
                if key in zs and None not in zs[key]:
                    null[key].append(explained(fos, zs[key]))
        print("significance, %d random variables (seed %d)" % (nrandom, seed))
        for key in sorted(real):
            ex = explained(fos, real[key])
            p = (1 + sum(1 for e in null[key] if e >= ex)) / (1 + len(null[key]))
            bex, bp = sig[key]
            d = rel(ex, bex, 1e-300)
            worst = max(worst, d, abs(p - bp))
            print("%-24s explained %.8g (batch %.8g, %.1e)  p %.4g (batch %.4g)" %
                  (key, ex, bex, d, p, bp))
    print("largest relative difference: %.2e" % worst)
    return 0 if worst <= TOLERANCE else 1


if __name__ == "__main__":
    sys.exit(main())
