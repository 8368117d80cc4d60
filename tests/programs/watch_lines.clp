; Watch lines for facts, activations and firings, then assert-string,
; retract-string and a refused duplicate.
(deftemplate task (slot name) (slot done (default no)))

(defrule finish
   ?t <- (task (name ?n) (done no))
   =>
   (modify ?t (done yes))
   (printout t "finished " ?n crlf))

(watch facts)
(watch activations)
(watch rules)
(reset)
(assert-string "(task (name wash))")
(assert-string "(task (name wash))")
(run)
(retract-string "(task (name wash) (done yes))")
(unwatch all)
(assert (task (name dry)))
(run)
