; The string functions. Positions count bytes from 1.
(printout t (str-cat a 1 " " 2.5 " " -3) "|" (str-cat) "|" crlf)
(printout t (sym-cat a 1) " " (symbolp (sym-cat a 1)) " " (stringp (str-cat a 1)) crlf)
(printout t (str-compare abc abc) " " (str-compare abc abd) " " (str-compare b a) " "
            (str-compare ab abcd) " " (str-compare a A) crlf)
(printout t (str-index c abc) " " (str-index z abc) " " (str-index "" abc) " "
            (str-index "o w" "hello world") crlf)
(printout t (str-length abc) " " (str-length "") " " (str-length "say \"hi\"") " "
            (str-length 1.5) crlf)

; sub-string: start and end are both inclusive; an end past the text stops there.
(printout t "[" (sub-string 2 3 abcd) "] [" (sub-string 2 100 abcd) "] ["
            (sub-string 3 2 abcd) "] [" (sub-string 1 1 abcd) "]" crlf)
(printout t (try (sub-string 0 1 abcd) catch ?__ERROR) crlf)
(printout t (try (sub-string 5 5 abcd) catch ?__ERROR) crlf)
(printout t (try (sub-string 1 1 "") catch ?__ERROR) crlf)
(printout t (try (sub-string 2 -2147483648 abcd) catch ?__ERROR) crlf)

; Case: a symbol stays a symbol, a string a string; only A-Z and a-z change.
(printout t (upcase abc) " " (get-type (upcase abc)) " " (upcase "x-y z") " "
            (get-type (lowcase "ABC")) " " (lowcase MiXeD-42) crlf)
(printout t (try (str-length (create$ a b)) catch ?__ERROR) crlf)
(printout t (try (sub-string 1 2) catch ?__ERROR) crlf)

; In a rule: names longer than three letters are greeted.
(defrule greet
   (person ?name)
   (test (> (str-length ?name) 3))
   =>
   (printout t (str-cat "Hello, " (upcase ?name) "!") " at "
               (str-index (sub-string 1 1 ?name) ?name) crlf))
(assert (person bob) (person alice))
(run)
