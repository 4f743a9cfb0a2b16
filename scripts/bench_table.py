#!/usr/bin/env python3
"""Turns the benchmark results into the table of docs/PERFORMANCE.md.

Each row pairs a figure with the baseline or floor measured in the same run,
the ratio between them and the goal the figure is held to.
"""
import json
import os
import sys


def load(folder):
    runs = {}
    context = None
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".json"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            data = json.load(f)
        context = context or data.get("context")
        for b in data.get("benchmarks", []):
            runs[b["name"]] = b
    return runs, context


SCALE = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def seconds(b, key="real_time"):
    return b[key] * SCALE[b.get("time_unit", "ns")]


def find(runs, prefix):
    for name, b in runs.items():
        if name == prefix or name.startswith(prefix + "/"):
            return b
    return None


def fmt_time(s):
    if s is None:
        return "n/a"
    if s >= 1:
        return f"{s:.2f} s"
    if s >= 1e-3:
        return f"{s * 1e3:.1f} ms"
    return f"{s * 1e6:.1f} µs"


def rate(b, key):
    return b.get(key) if b else None


def main():
    runs, context = load(sys.argv[1])
    rows = []

    def timed(what, figure, baseline, goal, better_low=True, key="real_time"):
        f = find(runs, figure)
        base = find(runs, baseline) if baseline else None
        fs = seconds(f, key) if f else None
        bs = seconds(base, key) if base else None
        ratio = f"{fs / bs:.3g}×" if fs and bs else "—"
        rows.append((what, fmt_time(fs), fmt_time(bs) if base else "—", ratio, goal))

    def throughput(what, figure, baseline, key, unit, goal):
        f, base = find(runs, figure), find(runs, baseline) if baseline else None
        fv, bv = rate(f, key), rate(base, key)
        show = lambda v: "n/a" if v is None else f"{v / 1e6:.1f} M{unit}/s" if v >= 1e6 else f"{v / 1e3:.1f} k{unit}/s"
        ratio = f"{fv / bv:.0%} of it" if fv and bv else "—"
        rows.append((what, show(fv), show(bv) if base else "—", ratio, goal))

    throughput("TextBetween over a 200 KB page", "BM_TextBetween200KB", "BM_MemmemFloor200KB",
               "bytes_per_second", "B", "≥ 500 MB/s")
    throughput("GBK to UTF-8 of 100,000 stored fields", "BM_GbkFieldsToUtf8",
               "BM_GbkFieldsCopyFloor", "bytes_per_second", "B", "— (floor: a plain copy)")
    throughput("Append, one 60-listing page per transaction", "BM_AppendPages_Store",
               "BM_AppendPages_Bare", "items_per_second", "rec", "≥ 80 % of bare SQLCipher")
    throughput("Full scan of the six statistics fields, 1,000,000 listings", "BM_Scan_Store",
               "BM_Scan_Bare", "items_per_second", "rec", "≥ 80 % of bare SQLCipher")
    timed("One random record on an open access", "BM_RandomRecordOnOpenAccess", None, "< 50 µs")
    timed("A click's whole store access (kept connection)", "BM_ClickStoreAccess",
          "BM_FirstAccessWithKeyDerivation", "< 2 ms (baseline: first open, key derivation)")
    timed("Refresh statistics, 100,000 listings", "BM_RefreshStatistics/100000",
          "BM_BareScanOfTheSixFields/100000", "within 1.2× of the bare scan")
    timed("Refresh statistics, 1,000,000 listings", "BM_RefreshStatistics/1000000",
          "BM_BareScanOfTheSixFields/1000000", "within 1.2× of the bare scan")
    for arg in ("100000", "1000000"):
        timed(f"Refresh on a worker: the user-interface thread's turn, {int(arg):,} listings",
              f"BM_RefreshOnAWorker_UiThreadShare/{arg}", None, "< 50 ms")
    columns = ("date", "name", "code", "Seat", "buy", "sell", "net", "strength")
    for rows_arg, goal in (("100000", "< 40 ms"), ("1000000", "< 400 ms")):
        for arg, col in enumerate(columns):
            timed(f"Header-click sort, {int(rows_arg):,} rows, {col} column",
                  f"BM_HeaderClickSort/{arg}/{rows_arg}", None, goal)
    for rows_arg, goal in (("100000", "< 10 ms"), ("1000000", "< 30 ms")):
        timed(f"Search over the full grid, {int(rows_arg):,} rows, no hit",
              f"BM_RunSearch/0/{rows_arg}", None, goal)
        timed(f"Search over the full grid, {int(rows_arg):,} rows, with hits",
              f"BM_RunSearch/1/{rows_arg}", None, goal)
    for arg in ("100000", "1000000"):
        mem = find(runs, f"BM_FilledGridMemory/{arg}")
        if mem:
            rows.append((f"Filled grid memory per listing, {int(arg):,} listings",
                         f"{mem.get('measured_bytes_per_listing', 0):.0f} B measured, "
                         f"{mem.get('counted_bytes_per_listing', 0):.0f} B counted",
                         f"{mem.get('record_bytes_per_listing', 0):.0f} B record and order", "—",
                         "< 64 B plus the interned texts"))
    peak = find(runs, "BM_WindowPeakResident/1000000")
    if peak:
        rows.append(("Window with the statistics grid filled, 1,000,000 listings: resident peak",
                     f"{peak.get('VmHWM_MB', 0):.0f} MB", f"{peak.get('VmRSS_MB', 0):.0f} MB after",
                     "—", "< 250 MB"))
    timed("Duplicate removal, 1,000,000 listings, 10 % duplicates", "BM_RemoveDuplicates",
          "BM_BareSqlDelete", "< 3 s and within 2× of a bare DELETE")
    timed("Details page from call to filled cells, 1,000,000 listings", "BM_ShowListingDetails",
          None, "< 5 ms")
    timed("Seat pop-up from call to balloon, 1,000,000 listings", "BM_ShowSeatTooltip", None,
          "< 5 ms")
    timed("Scrape a 60-stock page", "BM_ScrapeSixtyStockPage", "BM_MemchrMarkerScan",
          "within 3× of a memchr marker scan", key="cpu_time")
    timed("Scrape and store a 60-stock page", "BM_ScrapeAndStoreSixtyStockPage", None, "reported")
    year = find(runs, "BM_FullYearDownload")
    if year:
        rows.append(("Download of a year (3 × 261 pages) from the loopback source",
                     f"{fmt_time(seconds(year))}, {year.get('pages/s', 0):.0f} pages/s", "—", "—",
                     "reported"))
        rows.append(("Peak memory of that download", f"{year.get('peak_rss_kb', 0) / 1024:.1f} MB",
                     f"{year.get('rss_before_kb', 0) / 1024:.1f} MB before", "—", "reported"))
    for arg in ("1000", "100000", "1000000"):
        timed(f"Grid view reset and paint, {int(arg):,} rows", f"BM_ResetAndPaint/{arg}",
              "BM_ResetAndPaint/1000", "flat in the row count")
        timed(f"Grid view jump to a random row and paint, {int(arg):,} rows",
              f"BM_ScrollAndPaint/{arg}", "BM_ScrollAndPaint/1000", "flat in the row count")
        timed(f"Grid view wheel step and paint, {int(arg):,} rows", f"BM_WheelStepAndPaint/{arg}",
              "BM_WheelStepAndPaint/1000", "flat in the row count")
    for arg in ("1000", "100000", "1000000"):
        timed(f"Statistics grid repaint over its records, {int(arg):,} listings",
              f"BM_ListingGridRepaint/{arg}", "BM_ListingGridRepaint/1000",
              "flat in the row count")

    removal = find(runs, "BM_RemovalJobUiStall")
    if removal:
        rows.append(("Longest user-interface turn during a removal, 1,000,000 listings",
                     f"{removal.get('max_ui_turn_during_removal_ms', 0):.1f} ms",
                     f"job {removal.get('job_ms', 0) / 1000:.2f} s", "—", "< 50 ms"))
        rows.append(("Longest user-interface turn of the refresh after it",
                     f"{removal.get('max_ui_turn_refresh_ms', 0):.1f} ms", "—", "—", "< 50 ms"))
    for stocks in ("8", "60"):
        timed(f"Scrape and store a {stocks}-stock page, with the download log",
              f"BM_ScrapeAndStorePage/stocks:{stocks}/log:1",
              f"BM_ScrapeAndStorePage/stocks:{stocks}/log:0", "< 1.05× of it without the log")
    timed("下载记录 page filled for ten years (2,609 weekdays × 3 boards)",
          "BM_FillLogPageTenYears", None, "< 50 ms")
    timed("Gap-fill plan, ten years, 1,000,000 listings",
          "BM_PlanGapFillTenYearsMillionListings", None, "< 100 ms")
    timed("Download log rebuilt from 1,000,000 listings", "BM_RebuildLogMillionListings", None,
          "reported")
    timed("营业部排行 over the full range, 1,000,000 listings", "BM_SeatRanking_FullRange/1000000",
          "BM_BareScanOfTheFiveFields/1000000", "within 1.3× of the bare scan")
    seat = find(runs, "BM_SeatRanking_FullRange/1000000")
    if seat:
        rows.append(("Peak memory of that ranking", f"{seat.get('peak_rss_MB', 0):.0f} MB",
                     f"{seat.get('rss_before_MB', 0):.0f} MB before", "—", "< 300 MB"))
    timed("营业部排行 over one month of a ten-year store", "BM_SeatRanking_OneMonthOfTenYears",
          None, "< 150 ms")
    timed("营业部排行 by Seat identity, 1,000,000 listings",
          "BM_SeatRanking_FullRange_ByIdentity/1000000", "BM_SeatRanking_FullRange/1000000",
          "within 1.1× of the ranking by name")
    timed("Evening summary of one day, ten-year store", "BM_Summary_OneDayOfTenYears", None,
          "< 100 ms")
    timed("Ranking page: longest user-interface stretch, 1,000,000 listings",
          "BM_RankingPage_LongestUiThreadStretch/1000000", None, "< 50 ms")
    timed("Back-test, first run: 1,000,000 listings and 5,000,000 bars in memory",
          "BM_Backtest_FirstRun", "BM_Backtest_BarePass", "< 1 s (floor: a bare pass)")
    timed("Back-test, changed threshold, 1,000,000 listings", "BM_Backtest_ChangedThreshold",
          "BM_Backtest_BarePass", "< 200 ms (floor: a bare pass)")
    timed("Back-test, changed threshold, broadest rule, 1,000,000 listings",
          "BM_Backtest_ChangedThresholdBroad", "BM_Backtest_BarePass",
          "< 200 ms (floor: a bare pass)")
    timed("Back-test: 1,000,000 listings handed over as a store read hands them",
          "BM_Backtest_TakeListings", "BM_Backtest_BarePass", "reported (floor: a bare pass)")
    timed("Back-test from the store, read and first run: one month of the 100,000-listing year",
          "BM_BacktestStore_ReadAndFirstRunOneMonth/100000", "BM_BacktestStore_BareRead/100000",
          "reported (floor: a bare read of the year)")
    timed("Back-test from the store, read and first run: a year, 100,000 listings and their bars",
          "BM_BacktestStore_ReadAndFirstRun/100000", "BM_BacktestStore_BareRead/100000",
          "reported (floor: a bare read of the same rows)")
    timed("Back-test listing read through the table, 1,000,000 listings",
          "BM_BacktestStore_ReadMillionListings", "BM_BacktestStore_BareMillionListings",
          "reported (floor: a bare pass)")
    timed("Back-test listing read through the packed copies, 1,000,000 listings",
          "BM_BacktestStore_PackedMillionListings", "BM_BacktestStore_BareMillionListings",
          "reported (floor: a bare pass over the table)")
    timed("Back-test: the packed copies made on the first read, 1,000,000 listings",
          "BM_BacktestStore_FillMillionListingPacks", "BM_BacktestStore_BareMillionListings",
          "reported, once per store (floor: a bare pass over the table)")
    timed("Emptying 1,000,000 listings with the packed copies' triggers",
          "BM_BacktestStore_RemoveAllMillion/1", "BM_BacktestStore_RemoveAllMillion/0",
          "as fast as without them")
    timed("Back-test first run from the store, 1,000,000 listings and their bars, hold 5 (the usual rule)",
          "BM_BacktestStore_FirstRunMillionWithBars/5", "BM_BacktestStore_BareMillionListingsWithBars",
          "< 1 s (floor: a bare pass over the listings)")
    timed("Back-test first run from the store, the same with the page's longest hold, 20",
          "BM_BacktestStore_FirstRunMillionWithBars/20", "BM_BacktestStore_BareMillionListingsWithBars",
          "< 1 s (floor: a bare pass over the listings)")
    timed("Back-test first run from the store, hold 5, every stock's bars from its packed row",
          "BM_BacktestStore_FirstRunMillionFromPackedRows",
          "BM_BacktestStore_BareMillionListingsWithBars",
          "reported: as before the excerpts (floor: a bare pass over the listings)")
    timed("Back-test: the excerpts of the bars made on the first read, 1,000,000 listings",
          "BM_BacktestStore_MakeMillionBarExcerpts",
          "BM_BacktestStore_FirstRunMillionFromPackedRows",
          "reported, once per store and after new prices (floor: the first run without them)")
    timed("Back-test bars read from the excerpts: the 7.7 M bars the listings reach of 31 M",
          "BM_BacktestStore_MillionBarsPart",
          "BM_BacktestStore_BarePackedMillionBars", "reported (floor: the packed rows stepped through)")
    timed("Page 回测: showing 12,470 trades and 2,500 days of curves (window's thread)",
          "BM_BacktestPage_ShowOnWindow/12470/2500/real_time",
          "BM_BacktestPage_ShowOnWindow/10/20/real_time", "< 50 ms (floor: a small result)")
    timed("quorvane-cli export to CSV, 1,000,000 listings", "BM_CliExportCsv",
          "BM_BareScanAndWriteSameBytes", "within 1.4× of a bare scan plus write")
    cli_year, window_year = find(runs, "BM_CliYearDownload"), find(runs, "BM_WindowYearDownload")
    if cli_year and window_year:
        c, w = cli_year.get("pages/s", 0), window_year.get("pages/s", 0)
        rows.append(("quorvane-cli year download from loopback", f"{c:.0f} pages/s",
                     f"{w:.0f} pages/s (window's run)", f"{c / w:.0%} of it" if w else "—",
                     "the window's pages per second"))
    timed("Data-centre day of 60 stocks mapped to listings", "BM_DataCentreMapSixtyStockDay",
          "BM_DataCentreBaselineScrapeSixtyStockPage", "reported (baseline: scraping a page)",
          key="cpu_time")
    by_date = find(runs, "BM_DataCentreDayRequests/seats_per_stock:0")
    by_stock = find(runs, "BM_DataCentreDayRequests/seats_per_stock:1")
    if by_date and by_stock:
        d, k = by_date.get("requests/day", 0), by_stock.get("requests/day", 0)
        rows.append(("Data-centre requests for a day of 60 stocks (Seats by date)",
                     f"{d:.0f} requests, {by_date.get('seconds_at_default_gap', 0):.1f} s at 300 ms",
                     f"{k:.0f} requests, {by_stock.get('seconds_at_default_gap', 0):.1f} s "
                     "(each stock alone, as before)", f"{d / k:.3g}×" if k else "—",
                     "≤ 6 requests"))

    timed("Storing one code's 2,500 bars", "BM_StoreOneCodesBars", "BM_StoreOneCodesBarsFloor",
          "< 20 ms (floor: the transaction with its log row alone)")
    for arg in ("400", "4000"):
        timed(f"Ten years of bars of {int(arg):,} stocks loaded", f"BM_LoadTenYearsOfBars/{arg}",
              f"BM_LoadTenYearsOfBarsFloor/{arg}",
              "< 1 s at 4,000 stocks (floor: the bare engine read)")
    bars = find(runs, "BM_LoadTenYearsOfBars/4000")
    if bars:
        rows.append(("Bars table on disk, 4,000 stocks × ten years",
                     f"{bars.get('file_MB', 0):.1f} MB, {bars.get('bytes_per_bar', 0):.1f} B a bar",
                     "—", "—", "reported"))
    timed("营业部排行 with the track record, 1,000,000 listings", "BM_SeatRankingWithTrackRecord",
          "BM_SeatRankingWithoutReturns", "within 1.5× of the ranking without returns")
    stall, idle = find(runs, "BM_UiStallWhileRanking"), find(runs, "BM_UiStallIdle")
    if stall:
        rows.append(("Longest user-interface stall while ranking with the track record",
                     f"{stall.get('longest_stall_ms', 0):.1f} ms",
                     f"{idle.get('longest_stall_ms', 0):.1f} ms (idle window)" if idle else "—",
                     "—", "< 50 ms"))
    timed("Opening 席位档案, 50,000 identities", "BM_SeatArchive_Open", "BM_SeatArchive_BareRows",
          "< 200 ms (floor: the bare rows)")
    timed("席位档案's book read on its worker, 50,000 identities", "BM_SeatArchive_ReadBook",
          "BM_SeatArchive_BareRows", "reported (floor: the bare rows)")
    facts = find(runs, "BM_SeatRanking_WindowIdentityFacts")
    if facts:
        rows.append(("What the window adds to 营业部排行 by identity, 1,000,000 listings",
                     f"{facts.get('window_facts_ms', 0):.1f} ms",
                     f"{facts.get('ranking_ms', 0):.0f} ms ranking", "—", "reported"))

    print("| What | Figure | Baseline / floor | Ratio | Goal |")
    print("|---|---|---|---|---|")
    for r in rows:
        print("| " + " | ".join(r) + " |")
    if context:
        print()
        print(f"Machine: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, "
              f"load average {context.get('load_avg')}, run {context.get('date')}.")


if __name__ == "__main__":
    main()
