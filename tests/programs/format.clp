; format: directives filled left to right, %n line breaks, arguments with no
; directive left appended after a blank.
(format t "%d items%n" 3)
(format t "x" 1 2)
(printout t crlf)
(format t "[%5.2f]%n" 3.14159)
(format t "[%-6s|%6s|%.2s]%n" ab cd "xyz")
(format t "%x %u %05d %e %g%n" 255 -1 42 1234.5 0.0001)
(format t "%n%d%n" 7)
(format t "%q and %d%n" 1 2)
(format t "[%m]%n" 12.5)
(format t "list" (create$ a b) " str")
(printout t crlf)
(printout t (try (format t "%99999999d" 1) catch ?__ERROR) crlf)
