# Small Win32 helpers that the end-to-end tests and the benchmarks run under Wine: the
# driver and clients (e2e/win), the benchmark's reference program (bench) and the
# platform tables (platform).
foreach(area e2e/win bench platform)
  add_subdirectory(${area})
endforeach()
