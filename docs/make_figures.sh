#!/usr/bin/env bash
# Remakes the README's two plots from a workflow run on the bundled study (null 0, additive model).
set -euo pipefail
cd "$(dirname "$0")/.."
snakemake -s workflow/Snakefile --cores 2
cp results/summary/study.null0.add.qq.png docs/study.qq.png
cp results/summary/study.null0.add.manhattan.png docs/study.manhattan.png
