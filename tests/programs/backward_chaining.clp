;;; Backward chaining: a rule that waits on a fact of a backward-chaining
;;; template makes the engine ask for it with a goal fact, another rule
;;; answers the goal, and the waiting rule fires.

(deftemplate item (slot name))
(deftemplate price (slot name) (slot amount))

(do-backward-chaining price)

(defrule quote
   (item (name ?n))
   (price (name ?n) (amount ?a))
   =>
   (printout t ?n " costs " ?a crlf))

(defrule look-up-price
   ?goal <- (need-price (name ?n))
   =>
   (printout t "asked for the price of " ?n crlf)
   (retract ?goal)
   (if (eq ?n lamp) then (assert (price (name ?n) (amount 40)))
    else (assert (price (name ?n) (amount 15)))))

(deffacts stock
   (item (name lamp))
   (item (name chair)))

(watch facts)
(reset)
(unwatch facts)
(run)
