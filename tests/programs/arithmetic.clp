; Arithmetic keeps 32-bit integers (results wrap), a lone argument of -
; is returned as it is, and a float anywhere makes the result a float.
(printout t (- 7) " " (- 7 2 1) " " (+) " " (* 2 3) crlf)
(printout t (+ 2147483647 1) " " (* 65536 65536) " " (- -2147483648 1) crlf)
(printout t (+ 1 2.5) " " (* 2 0.5) " " (- 1.5) crlf)
