; The multifield functions, with 0-based positions.
(printout t (nth$ 0 (create$ a b c)) crlf)
(printout t (member$ c (create$ a b c)) " " (member$ z (create$ a b c)) crlf)
(printout t (subseq$ (create$ a b c d) 1 2) " " (delete$ (create$ a b c d) 1 2) crlf)
(printout t (replace$ (create$ a b c) 1 1 x y) " " (insert$ (create$ a b) 1 x y) crlf)
(printout t (explode$ "   red  green    blue ") " " (length$ (explode$ "   ")) crlf)
(printout t (implode$ (create$ a "b c" 3)) "|" (implode$ (create$)) "|" crlf)
(printout t (first$ (create$)) "|" (length$ (create$)) "|" (rest$ (create$)) crlf)
(printout t (first$ (create$ 1 2)) " " (rest$ (create$ 1 2 3)) crlf)
(printout t (subsetp (create$ b c) (create$ a b c d)) " "
            (subsetp (create$ c b) (create$ a b c d)) " "
            (subsetp b (create$ a b)) " "
            (subsetp (create$ c d e) (create$ a b c d)) " "
            (subsetp (create$) (create$ a)) crlf)
(printout t (create$ 1 (create$ 2 3) 4.5 "s") " " (length$ (create$ 1 (create$ 2 3))) crlf)

; Lists in rules: a multislot taken apart on the right-hand side.
(deftemplate order (slot id) (multislot items))
(defrule summarize
   (order (id ?id) (items $?items))
   =>
   (printout t ?id ": " (length$ ?items) " items, first " (first$ ?items)
               ", the rest " (rest$ ?items) crlf))
(assert (order (id 7) (items apple pear fig)))
(run)
