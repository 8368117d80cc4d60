; Parity and the type predicates.
(printout t (evenp 4) " " (evenp 7) " " (oddp 7) " " (oddp -3) " " (evenp -4) " " (oddp 0) crlf)
; A float is truncated toward zero first.
(printout t (evenp 2.5) " " (oddp 3.9) " " (oddp -3.5) " " (evenp 1e20) crlf)
(printout t (try (evenp abc) catch ?__ERROR) crlf)

(printout t (get-type 1) " " (get-type 1.5) " " (get-type abc) " " (get-type "abc") " "
            (get-type (create$ 1 2)) " " (symbolp (get-type 1)) crlf)

; lexemep numberp floatp integerp stringp symbolp multifieldp for several values.
(deffunction kinds (?x)
   (printout t (lexemep ?x) " " (numberp ?x) " " (floatp ?x) " " (integerp ?x) " "
               (stringp ?x) " " (symbolp ?x) " " (multifieldp ?x) crlf))
(kinds abc)
(kinds "abc")
(kinds 12)
(kinds -1.5)
(kinds (create$))
(printout t (fuzzyp 1) " " (external-addressp 1) " " (objectp abc) crlf)
(printout t (try (numberp) catch ?__ERROR) crlf)

; In a rule: sort items by kind.
(defrule even-number
   (item ?x)
   (test (and (integerp ?x) (evenp ?x)))
   =>
   (printout t ?x " is an even integer" crlf))
(defrule word
   (item ?x)
   (test (lexemep ?x))
   =>
   (printout t ?x " is a " (get-type ?x) crlf))
(assert (item 4) (item 5) (item six) (item "seven") (item 8.0))
(run)
