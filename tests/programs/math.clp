; The math package: integer and float results, 32-bit wrap-around, integer
; division and remainders, max and min, conversions and rounding, powers and
; logarithms, a seeded random sequence, and the errors of bad arguments.
(printout t (+ 1 2) " " (+ 1 2.0) " " (- 5.5 1) " " (- 7) " " (* 4 2.5) crlf)
(printout t (/ 7 2) " " (/ 4 2) " " (div 7 2) " " (div -7 2) " " (mod -7 2) " " (mod 7 -2) crlf)
(printout t (* 2147483647 2147483647) " " (div -2147483648 -1) " " (abs -2147483648) crlf)
(printout t (abs -3) " " (abs -2.5) " " (max 1.5 3) " " (max 3 1.5) " " (min 2 2.0) " " (min 4 -2 7) crlf)
(printout t (float 3) " " (integer -2.7) " " (integer 1.0e10) crlf)
(printout t (round 0.5) " " (round 1.5) " " (round 2.5) " " (round -3.5) " " (round 2.6) crlf)
(printout t (sqrt 2) " " (exp 1) " " (** 2 10) " " (** 2 0.5) " " (log 10) " " (log10 1000) " " (PI) crlf)

; Equal seeds give equal draws; (random 5 10) lies between 5 and 14.
(deffunction draws (?n ?low ?high)
   (bind ?all (create$))
   (bind ?lo 1000)
   (bind ?hi -1000)
   (while (> ?n 0) do
      (bind ?r (random ?low ?high))
      (bind ?all (create$ ?all ?r))
      (bind ?lo (min ?lo ?r))
      (bind ?hi (max ?hi ?r))
      (bind ?n (- ?n 1)))
   (create$ ?lo ?hi ?all))
(deffunction replay (?seed)
   (seed ?seed)
   (bind ?first (draws 200 5 10))
   (seed ?seed)
   (create$ (eq ?first (draws 200 5 10)) (nth$ 0 ?first) (nth$ 1 ?first)))
(printout t (replay 2024) crlf)

; Errors name the function and the fault.
(printout t (try (/ 1 0) catch ?__ERROR) crlf)
(printout t (try (div 1 0) catch ?__ERROR) crlf)
(printout t (try (mod 5 0) catch ?__ERROR) crlf)
(printout t (try (sqrt -4) catch ?__ERROR) crlf)
(printout t (try (log 0) catch ?__ERROR) crlf)
(printout t (try (exp 1000) catch ?__ERROR) crlf)
(printout t (try (abs "12") catch ?__ERROR) crlf)
(printout t (try (+ 1 two) catch ?__ERROR) crlf)
(printout t (try (random 0) catch ?__ERROR) crlf)
(printout t (try (mod 1) catch ?__ERROR) crlf)
