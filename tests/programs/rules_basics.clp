; Rules over a template and ordered facts: joins, negation, existence, a test
; element, salience, modify and a one-shot rule.
(deftemplate person (slot name) (slot age) (slot status (default unknown)))

(deffacts people
   (person (name ann) (age 40))
   (person (name bob) (age 17))
   (likes ann tea)
   (likes bob cocoa))

(defrule adults
   (declare (salience 10))
   ?p <- (person (name ?n) (age ?a) (status unknown))
   (test (> ?a 17))
   =>
   (modify ?p (status adult))
   (printout t ?n " is an adult" crlf))

(defrule minors
   (declare (salience 10))
   ?p <- (person (name ?n) (age ?a) (status unknown))
   (not (person (name ?n) (status adult)))
   (test (< ?a 18))
   =>
   (modify ?p (status minor))
   (printout t ?n " is a minor" crlf))

(defrule drinks
   (person (name ?n) (status adult))
   (likes ?n ?drink)
   =>
   (printout t ?n " drinks " ?drink crlf))

(defrule someone-likes-cocoa
   (exists (likes ? cocoa))
   =>
   (printout t "someone likes cocoa" crlf))

(defrule nobody-likes-milk
   (not (likes ? milk))
   =>
   (printout t "nobody likes milk" crlf))

(defrule once
   (declare (oneshot TRUE))
   (likes ?who ?)
   =>
   (printout t "first liker fired once" crlf))

(reset)
(run)
