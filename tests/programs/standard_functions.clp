; foreach, return, try/throw, the comparisons by value and by number,
; member, gensym*, fact duplication and clear.
(deffunction first-big (?limit $?xs)
   (foreach ?x ?xs
      (if (> ?x ?limit) then (return ?x)))
   none)
(printout t (first-big 3 1 2 5 7) " " (first-big 9 1 2) crlf)
(foreach i (create$ a b) (printout t ?i crlf))
(printout t (try (printout t body crlf)
                 (throw "bad thing")
                 (printout t never crlf)
             catch (printout t "caught: " ?__ERROR crlf) handled) crlf)
(printout t (try (+ 1 2) finally (printout t cleanup crlf) done) crlf)
(printout t (try (+ 1 nope) catch ?__ERROR) crlf)
(printout t (eq* 1 1.0) (eq 1 1.0) (= 1 1.0 1) (<> 1 2 3) (<> 1 2 1) crlf)
(printout t (member b a b c) " " (member z a b) crlf)
(printout t (gensym*) " " (gensym*) crlf)
(printout t (assert (dup)) " " (assert (dup)) crlf)
; TRUE means that equal facts are refused.
(printout t (get-fact-duplication) " " (set-fact-duplication FALSE) " " (assert (dup)) " "
            (get-fact-duplication) " " (set-fact-duplication TRUE) " " (assert (dup)) crlf)
(printout t (remove "/nonexistent/rulecore/file") crlf)
(clear)
(printout t (assert (dup)) crlf)

; Copies of facts, slot values, stored values and the version.
(deftemplate p (slot name) (slot age (default 1)))
(assert (p (name ann) (age 4)))
(printout t (duplicate 1 (age 5)) " " (duplicate 1 (age 5)) crlf)
(printout t (get-slot-value 2 age) " " (get-slot-value 1 name) crlf)
(assert (nums 1 2 3))
(printout t (get-slot-value 3) crlf)
(printout t (try (get-slot-value abc age) catch ?__ERROR) crlf)
(printout t (try (get-slot-value 99 age) catch ?__ERROR) crlf)
(printout t (store total (+ 2 3)) " " (fetch total) " " (fetch missing) "|" crlf)
(clear-storage)
(printout t (fetch total) "|" (version) crlf)
