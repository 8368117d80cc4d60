; Control functions: and, or, not, if, while and bind, with their
; short-circuit points.
(deffunction count-to (?n)
   (bind ?i 0)
   (while (< ?i ?n) do
      (bind ?i (+ ?i 1))
      (printout t ?i " "))
   (printout t crlf)
   ?i)

(deffunction noisy (?v)
   (printout t "[" ?v "]")
   ?v)

(printout t (count-to 3) crlf)
(printout t (count-to 0) crlf)
(printout t (if (> 2 1) then yes else no) " "
            (if (> 1 2) then yes else no) " "
            (if (> 1 2) then yes) crlf)
; Only FALSE is false for and/not/if; only TRUE is true for or.
(printout t (and) (and 1 2) (and 1 FALSE) crlf)
(printout t (or) (or 1 2) (or 1 TRUE) crlf)
(printout t (not FALSE) (not 0) (if 0 then zero-is-true) crlf)
; Evaluation stops at the first deciding argument.
(printout t (and (noisy 1) (noisy FALSE) (noisy 2)) crlf)
(printout t (or (noisy 1) (noisy TRUE) (noisy 2)) crlf)
(printout t (> (noisy 1) (noisy 2) (noisy 0)) crlf)

(defrule double
   (a ?x)
   =>
   (bind ?y (* ?x 2))
   (if (> ?y 5)
      then (printout t ?x " doubles to a big " ?y crlf)
      else (printout t ?x " doubles to a small " ?y crlf)))

(assert (a 1) (a 4))
(run)
