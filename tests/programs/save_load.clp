; Saving and loading through the commands: a knowledge base saved with save,
; cleared and loaded back behaves as it did; save-facts writes the facts of
; the named templates and load-facts asserts them again after a clear.
; Loading echoes the results of the saved file's commands (the duplication
; setting, then the id of the last saved fact) before load's own TRUE.
(deftemplate item (slot name) (slot price (type INTEGER)))
(defglobal ?*total* = 0)
(deffunction cost (?p) (+ ?p 1))
(defrule price
  (item (name ?n) (price ?p))
  =>
  (bind ?*total* (+ ?*total* (cost ?p)))
  (printout t ?n " costs " (cost ?p) crlf))
(deffacts stock (item (name pen) (price 2)) (item (name ink) (price 5)))
(reset)
(assert (note "not in any fact set"))
(run)
(printout t "total " ?*total* crlf)
(save "golden_save_load.clp")
(save-facts "golden_save_load_items.txt" item)

; Everything is gone after clear, and comes back with load.
(clear)
(load "golden_save_load.clp")
(reset)
(run)
(printout t "total " ?*total* crlf)

; Facts alone: the template first, then the saved facts.
(clear)
(deftemplate item (slot name) (slot price (type INTEGER)))
(defrule show (item (name ?n) (price ?p)) => (printout t "loaded " ?n " at " ?p crlf))
(load-facts "golden_save_load_items.txt")
(run)
(remove "golden_save_load.clp")
(remove "golden_save_load_items.txt")
